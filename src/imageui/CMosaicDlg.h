#pragma once
// "Photo mosaic": rows, columns, the clips per chopped picture and the
// three lists of source pictures (as-is, chopped, reusable).

#include <QDialog>
#include <QStringList>
#include <array>

#include "processing/PhotoMosaic.h"

class QLabel;
class QListWidget;
class QSpinBox;

namespace pix {

class FileChooser;
class Prompter;

class CMosaicDlg : public QDialog {
    Q_OBJECT
public:
    CMosaicDlg(int targetWidth, int targetHeight, Prompter& prompter, FileChooser& files, QWidget* parent = nullptr);

    MosaicSettings Settings() const;
    // The sources in the order as-is, chopped, reusable.
    std::vector<MosaicSource> Sources() const;
    void AddFiles(MosaicSourceKind kind, const QStringList& files);
    void Clear(MosaicSourceKind kind);
    void SetGrid(int rows, int columns, int clips);
    QString InfoText() const;  // the read-only fields, for tests

    void accept() override;

private:
    void UpdateInfo();

    int targetWidth_;
    int targetHeight_;
    Prompter& prompter_;
    FileChooser& files_;
    QSpinBox* rows_;
    QSpinBox* columns_;
    QSpinBox* clips_;
    std::array<QListWidget*, 3> lists_{};
    std::array<QLabel*, 3> counts_{};
    QLabel* tileSize_;
    QLabel* sources_;
};

}  // namespace pix
