#pragma once
// The document behind an image window: one picture, the file it came from,
// and the file commands of an image window.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "image/CImageBuffer.h"
#include "processing/EditHistory.h"
#include "processing/PhotoMosaic.h"
#include "uiservices/CDocument.h"

namespace pix {

class AppServices;
class Progress;

// An edit of the picture: changes it and tells whether it did.
using ImageEdit = std::function<bool(CImageBuffer&)>;

class CPixadromeDoc : public CDocument {
    Q_OBJECT
public:
    explicit CPixadromeDoc(AppServices& app, QObject* parent = nullptr);

    // Loads the file; false when it gives no picture.
    bool OpenDocument(const QString& path);
    // A new untitled picture from a packed DIB (a scanned page) or, without
    // one, from the clipboard; false when there is none.
    bool NewDocument(std::optional<std::vector<uint8_t>> dib = std::nullopt);
    // Writes the picture to path and opens the written file in a new window.
    bool SaveDocument(const QString& path);


    CImageBuffer& Image() { return image_; }
    const CImageBuffer& Image() const { return image_; }
    // The size recorded when the document was opened or created (or by
    // operations that change the size).
    int Width() const { return openWidth_; }
    int Height() const { return openHeight_; }
    void RecordSize();

    // Applies an edit under the wait cursor; when it changed the picture,
    // the picture before it becomes a step back, the document is modified
    // and the views are updated. Tells whether the picture changed.
    bool Apply(const ImageEdit& edit);
    // Walk the pictures before and after the edits made since the file was
    // loaded.
    bool CanStepBack() const { return history_.CanStepBack(); }
    bool CanStepForward() const { return history_.CanStepForward(); }
    void OnStepBack();
    void OnStepForward();

    // Tells the views that the picture changed.
    void UpdateAllViews();
    // Asks about unsaved changes; false when the user cancels closing.
    bool SaveModified();

    // Commands.
    bool OnSaveAs();  // false when the dialog was cancelled
    void OnCopy();
    void OnMove();
    void OnDelete();
    void OnUseAsWallpaper();
    void OnFlipVertical();
    void OnFlipHorizontal();
    void OnSendTo();
    void OnPhotoMosaic();
    // Builds the mosaic with the given values under a progress window.
    void MakePhotoMosaic(const MosaicSettings& settings, const std::vector<MosaicSource>& sources,
                         Progress& progress);
    // Reloads the picture from its file (the view's Undo).
    bool Reload();
    // Shows another file's picture, decoded already (a step through a
    // folder): the document becomes that file's, unmodified, without
    // joining the recent files. Returns the picture it showed before.
    CImageBuffer ReplacePicture(const QString& path, CImageBuffer picture);

    bool CanCopy() const;
    bool CanMoveOrDelete() const;
    bool CanSendTo() const;

signals:
    void imageChanged();
    // An edit or a step through the edits changed the picture's size.
    void imageResized();
    // The document is gone (deleted); its windows close.
    void closeRequested();

private:
    void CopyOrMove(bool move);
    void Step(bool (EditHistory::*step)(CImageBuffer&));
    void Changed(uint32_t oldWidth, uint32_t oldHeight);

    CImageBuffer image_;
    EditHistory history_;
    int openWidth_ = 0;
    int openHeight_ = 0;
};

}  // namespace pix
