#pragma once
// Flips and quarter turns of a picture, in place. The index plane, when
// there is one, is carried along; palette and colour count stay.

namespace pix {

class CImageBuffer;

void FlipVertical(CImageBuffer& buf);
void FlipHorizontal(CImageBuffer& buf);
// Clockwise: the old top-left corner ends at the top right.
void RotateRight(CImageBuffer& buf);
// Counter-clockwise: the old top-left corner ends at the bottom left.
void RotateLeft(CImageBuffer& buf);

}  // namespace pix
