#include "config/ui/number_slider.h"

#include <QSignalBlocker>

namespace ztx {

NumberSlider::NumberSlider(QSlider* slider, QLineEdit* box, Format format)
    : slider_(slider), box_(box), format_(std::move(format)) {
    slider_->setOrientation(Qt::Horizontal);
    QObject::connect(slider_, &QSlider::valueChanged, slider_, [this](int v) {
        ShowInBox(v);
        if (onMoved) onMoved(v);
    });
    if (!box_) return;
    box_->setAlignment(Qt::AlignRight);
    QObject::connect(box_, &QLineEdit::editingFinished, box_, [this] {
        // Only what the user typed is read: a box left as shown ("N/A"
        // included) keeps the slider's value.
        if (!box_->isModified()) return;
        const NumberEdit edit =
            ReadNumberBox(box_->text().toStdString(), slider_->minimum(), slider_->maximum(), slider_->value());
        SetValue(edit.value);
        if (onBoxRead) onBoxRead(edit);
    });
}

void NumberSlider::SetRange(int low, int high) {
    const QSignalBlocker quiet(slider_);
    slider_->setRange(low, high);
    slider_->setTickInterval(SliderTickInterval(low, high));
    slider_->setPageStep(SliderTickInterval(low, high));
    ShowInBox(slider_->value());
}

void NumberSlider::SetValue(int value) {
    const QSignalBlocker quiet(slider_);
    slider_->setValue(value);
    ShowInBox(slider_->value());
}

void NumberSlider::ShowInBox(int value) {
    if (box_) box_->setText(format_ ? format_(value) : QString::number(value));
}

}  // namespace ztx
