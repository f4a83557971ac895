#include "shell/process_state.h"

#include "engine/animation.h"
#include "engine/capture.h"
#include "engine/engine_state.h"
#include "engine/random_module.h"
#include "engine/text_boxes.h"
#include "modules/framework/module_table.h"
#include "modules/raster/bitmap.h"
#include "palette/palette.h"
#include "settings/global_options.h"
#include "shell/saver_window.h"

namespace ztx {

void ResetProcessState() {
    ResetModuleFramework();  // also the controls' pin mode, gate phase and peaks
    ResetPaletteEngine();
    ResetGlobalOptions();
    ResetEngineState();
    ResetTextBoxes();
    ResetRandomModule();  // also the sequencing candidates and counters
    ResetCaptureNumbers();
    ResetBitmapSequence();
    ResetSaverWindow();
}

}  // namespace ztx
