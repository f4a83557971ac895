// A slider and its number box kept in step, as every page of the sheet has
// them: moving the slider writes its position into the box; leaving the box
// (Return or focus elsewhere) reads it with ReadNumberBox, clamped to the
// slider's range, and moves the slider there. Values set by the program
// never call back, so loading a page marks nothing as changed.
#pragma once
#include <QLineEdit>
#include <QSlider>
#include <QString>

#include <functional>

#include "config/control_edit.h"

namespace ztx {

class NumberSlider {
public:
    // How the box shows a value; a signed number unless set.
    using Format = std::function<QString(int)>;

    // The box may be null (a slider without one). Both stay owned by their
    // Qt parents; the connections end with them.
    NumberSlider(QSlider* slider, QLineEdit* box, Format format = {});

    // Range low..high with its tick interval; the value moves into it.
    void SetRange(int low, int high);
    void SetValue(int value);
    int Value() const { return slider_->value(); }
    QSlider* slider() const { return slider_; }
    QLineEdit* box() const { return box_; }

    // Called with the new value when the user moves the slider.
    std::function<void(int)> onMoved;
    // Called when the user leaves the box, with what it read as.
    std::function<void(NumberEdit)> onBoxRead;

private:
    void ShowInBox(int value);

    QSlider* slider_;
    QLineEdit* box_;
    Format format_;
};

}  // namespace ztx
