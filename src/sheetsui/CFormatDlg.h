#pragma once
// The thumbnail-format editor: the pages "Background", "Layout" and
// "Text" over a working copy of a format, which the caller takes only
// when the dialog ends with OK.

#include <QDialog>
#include <array>

#include "sheets/CThumbnailSettings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace pix {

class FileChooser;
class Prompter;

class CFormatDlg : public QDialog {
    Q_OBJECT
public:
    CFormatDlg(const CThumbnailSettings& format, const QString& title, Prompter& prompter, FileChooser& files,
               QWidget* parent = nullptr);

    // The working copy (after OK: the edited format).
    const CThumbnailSettings& Format() const { return format_; }
    QTabWidget* Pages() const { return tabs_; }

    // Layout rules, as when the field is left or the box clicked.
    void OnMaxPerPageLeft();
    void OnRowsOrColumnsLeft(bool rows);
    void OnAllOnOnePage(bool checked);
    void OnAutomatic(bool rows, bool checked);
    // Takes a picture for the background when it is an image file.
    void ChooseBackgroundPicture(const QString& path);
    // Sets a text's font (tenths of a point from the point size) and colour.
    void SetTextFont(int text, const QFont& font, const QColor& color);
    // Puts a field name at the caret of a text (0 label, 1 title, 2 footer).
    void InsertField(int text, const QString& field);
    QString OpacityText() const;

    void accept() override;

private:
    QWidget* MakeBackgroundPage();
    QWidget* MakeLayoutPage();
    QWidget* MakeTextPage();
    void PaintPreview();
    void ShowFieldMenu(int text, const QPoint& at);
    // A number field's value when it is an integer in range; else the
    // range message, the field focused, and nothing.
    bool ReadField(QLineEdit* field, const IntRange& range, int32_t& value);
    void FillLayoutFields();

    CThumbnailSettings format_;
    Prompter& prompter_;
    FileChooser& files_;
    QTabWidget* tabs_;
    // Background
    QLabel* preview_ = nullptr;
    QCheckBox* horizontal_ = nullptr;
    QCheckBox* vertical_ = nullptr;
    QCheckBox* useImage_ = nullptr;
    QLineEdit* imagePath_ = nullptr;
    std::array<QRadioButton*, 3> placement_{};
    QSlider* opacity_ = nullptr;
    QLabel* opacityText_ = nullptr;
    // Layout
    QComboBox* effect_ = nullptr;
    QSpinBox* fxArea_ = nullptr;
    QLineEdit* tmbMargT_ = nullptr;
    QLineEdit* tmbMargL_ = nullptr;
    QLineEdit* pagMargT_ = nullptr;
    QLineEdit* pagMargL_ = nullptr;
    QLineEdit* tmbSiz_ = nullptr;
    QLineEdit* maxPerPage_ = nullptr;
    QLineEdit* rows_ = nullptr;
    QLineEdit* cols_ = nullptr;
    QCheckBox* allOnOnePage_ = nullptr;
    QCheckBox* autoRows_ = nullptr;
    QCheckBox* autoCols_ = nullptr;
    // Text: label, title, footer
    std::array<QPlainTextEdit*, 3> texts_{};
};

}  // namespace pix
