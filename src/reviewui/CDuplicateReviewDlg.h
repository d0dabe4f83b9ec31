#pragma once
// The "Review duplicates" window: the groups of a duplicate search one at
// a time, their pictures side by side at one scale with what tells the
// copies apart (size in pixels, file size, format, date taken, folder),
// and the user's marks: which copy to keep, which go to the trash, and
// which groups are no duplicates at all. Apply sends the files marked
// delete to the trash after one question and remembers the groups held to
// be no duplicates in the verdicts file, so later searches leave them
// apart.
//
// Keys: Page Down / Page Up step through the groups, Left / Right choose a
// picture, K marks it keep, D delete (again: no mark), N holds the group to
// be no duplicates (again: takes it back), Return opens the picture at full
// size, Ctrl+Return applies, Escape closes (asking when marks are pending).

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "reviewui/DuplicateReview.h"

class QLabel;
class QPushButton;
class QHBoxLayout;

namespace pix {

class AppServices;

class CDuplicateReviewDlg final : public QWidget {
    Q_OBJECT
public:
    // groups: the paths of each group, as the search found them;
    // verdictsFile: where "not duplicates" verdicts are kept.
    CDuplicateReviewDlg(AppServices& app, const std::vector<std::vector<std::string>>& groups,
                        std::string verdictsFile, QWidget* parent = nullptr);
    ~CDuplicateReviewDlg() override;

    const DuplicateReview& Review() const { return review_; }
    size_t CurrentGroup() const { return group_; }
    size_t Selected() const { return selected_; }
    QString StatusText() const;
    // The picture of member i of the shown group, and the size it is drawn at.
    QWidget* Picture(size_t member) const;
    QSize DrawnSize(size_t member) const;
    QPushButton* ApplyButton() const { return apply_; }
    QPushButton* NextButton() const { return next_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class Cell;
    void ShowGroup(size_t group);
    void Select(size_t member);
    void Refresh();
    void SetStatus(const QString& text);
    void OnKeep();
    void OnDelete();
    void OnNotDuplicates();
    void OnApply();
    void OpenMember(size_t member);
    double GroupScale() const;
    // Carries the marks out (confirmed: the user has agreed already); false
    // when the user declines.
    bool ApplyMarks(bool confirmed);
    QString Summary() const;

    AppServices& app_;
    DuplicateReview review_;
    std::string verdictsFile_;
    size_t group_ = 0;
    size_t selected_ = 0;
    bool applied_ = false;
    std::vector<Cell*> cells_;
    QLabel* heading_;
    QWidget* strip_;
    QHBoxLayout* stripLayout_;
    QLabel* status_;
    QPushButton* previous_;
    QPushButton* next_;
    QPushButton* keep_;
    QPushButton* delete_;
    QPushButton* notDuplicates_;
    QPushButton* apply_;
    QPushButton* close_;
};

}  // namespace pix
