// The makers of the sheet's pages, one per kind, and what they share.
#pragma once
#include <QString>

#include "config/sheet_pages.h"
#include "config/ui/config_sheet.h"

class QPushButton;
class QWidget;

namespace ztx {

SheetPageWidget* MakeMainPage();
SheetPageWidget* MakeAuxiliaryPage();
SheetPageWidget* MakeSoundPage();
// Module pages, the slide show's included: rows made from the module's
// record whenever the page is shown.
SheetPageWidget* MakeModulePage(const SheetPage& page);
// The display pages and the palette and video-mode pages.
SheetPageWidget* MakeEditPage();
SheetPageWidget* MakeSequencerPage();
SheetPageWidget* MakePalettePage();
SheetPageWidget* MakeCustomPalettePage();
SheetPageWidget* MakeVideoModePage();

// A "Help" button that opens the topic.
QPushButton* HelpButton(QWidget* page, int topic);
// A button with the design's object name "ctl<id>".
QPushButton* NumberedButton(const QString& text, int id, QWidget* parent);
// The object name the design's numbered widgets get.
QString ControlId(int id);
// Beeps when a test run could not be started.
void BeepUnless(bool started);

}  // namespace ztx
