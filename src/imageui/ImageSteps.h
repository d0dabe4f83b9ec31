#pragma once
// An image window's way through the pictures around its own: the list it
// was opened from (a sheet's items in the sheet's order) or else the
// pictures of its folder in name order. The pictures before and after the
// one shown are decoded ahead on a worker, so a step to them replaces the
// document's picture without decoding; a picture that does not read is
// passed over. A modified picture asks before it is left.

#include <QString>
#include <QStringList>
#include <optional>

#include "processing/SlideLoader.h"

namespace pix {

class CPixadromeDoc;

class ImageSteps {
public:
    explicit ImageSteps(CPixadromeDoc& doc);

    // The pictures to step through; empty: those of the document's folder.
    void SetOrder(QStringList order);

    // Steps by delta (+1 next, -1 previous), or to the first or last
    // picture; false when there is nowhere to go, nothing reads on the way
    // or the user keeps the modified picture.
    bool Step(int delta);
    bool StepToEnd(bool last);

    // The list and the document's place in it (-1 when it is not there).
    const QStringList& Order();
    int Position();
    // True when the picture delta places from the document's is decoded.
    bool Ready(int delta);
    // Asks for the pictures next to the document's, ahead of a step.
    void Prefetch();
    // Drops the pictures decoded ahead (the window is no longer in use).
    void Release();

private:
    // Tries the pictures from position on, moving by direction, until one
    // reads; false when none does.
    bool ShowFrom(int position, int direction);
    std::optional<CImageBuffer> Decode(const QString& path);

    CPixadromeDoc& doc_;
    QStringList order_;
    bool ownOrder_ = false;  // order_ came from SetOrder, not the folder
    bool listed_ = false;
    int current_ = -1;  // the document's place, as last found
    SlideLoader loader_;
};

}  // namespace pix
