// The black quick-preview area of a page: a native child window in which a
// second instance of the program runs as a preview ("<program> /P <window
// id>"). A change on the page restarts a 250 ms timer, so the preview starts
// only once the user pauses; it is stopped on page change, on Cancel, when
// "Allow Quick Preview" is turned off and with the area itself. The child
// is asked to close with SIGTERM and killed after a beep when it has not
// ended within 1000 ms; it also gets SIGTERM should the tool die, and ends
// by itself when its window goes away.
#pragma once
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>

namespace ztx {

class PreviewArea : public QWidget {
public:
    explicit PreviewArea(QWidget* parent);
    ~PreviewArea() override;

    // When the "Preview" option is on: (re)starts the 250 ms timer.
    void RestartTimer();
    // Stops the timer and any running preview.
    void Stop();
    // Whether a preview child runs.
    bool Running() const;
    // Which saved display the next preview shows ("" for "Active").
    std::function<std::string()> displayToShow;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void Start();

    QTimer timer_;
    QProcess* child_ = nullptr;
};

}  // namespace ztx
