// The configuration sheet: the 30 pages in their fixed order behind a page
// list, OK and Cancel (no Apply), Escape for Cancel. It forwards the page
// protocol: a page is told when it becomes the shown page, when it is left,
// when OK is pressed (then the sheet saves the global options and keeps the
// edits as "Scratch" when they changed) and when Cancel is asked. Whenever
// the window is activated a full-screen test that was under way is undone
// and the display lists are refilled.
#pragma once
#include <QDialog>
#include <QWidget>

#include <string>
#include <vector>

class QListWidget;
class QStackedWidget;
class QPushButton;

namespace ztx {

// One page of the sheet. Pages do their work in these notifications; the
// defaults do nothing.
class SheetPageWidget : public QWidget {
public:
    using QWidget::QWidget;
    virtual void Activated() {}
    virtual void Left() {}
    virtual void Ok() {}
    virtual void CancelAsked() {}
    // The saved displays or "Active" changed behind the page's back.
    virtual void DisplaysChanged() {}
};

class ConfigSheet : public QDialog {
public:
    explicit ConfigSheet(int startPage, QWidget* parent = nullptr);
    ~ConfigSheet() override;

    int CurrentPage() const;
    void ShowPage(int index);
    SheetPageWidget* Page(int index) const { return pages_[index]; }
    // Tells every page that the saved displays changed.
    void DisplaysChanged();

    // Starts a full-screen test run's program as a child of the sheet; when
    // it ends the test is undone at once (the sheet need not be activated
    // again, which an X server that gives the focus back to no window never
    // does). False when it could not be started.
    bool StartTestProgram(const std::string& commandLine);

    void accept() override;
    void reject() override;

protected:
    bool event(QEvent* e) override;

private:
    void PageChosen(int index);

    QListWidget* list_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    std::vector<SheetPageWidget*> pages_;
    std::vector<bool> visited_;
    int current_ = -1;
};

// Opens the help page at the topic's anchor in the desktop's browser; tells
// the user when the help pages are not installed.
void OpenHelp(QWidget* parent, int topic);

}  // namespace ztx
