#pragma once
// The pictures a document was before its edits, so that the user can step
// back through them and forward again. Whole pictures are kept, within a
// memory budget: the oldest steps are dropped first, and a picture larger
// than the whole budget is not kept at all.

#include <cstddef>
#include <deque>
#include <optional>

#include "image/CImageBuffer.h"

namespace pix {

class EditHistory {
public:
    explicit EditHistory(size_t budgetBytes) : budget_(budgetBytes) {}

    // Whether a picture like this one would be kept; an edit need not copy
    // the picture before changing it when it would not.
    bool Keeps(const CImageBuffer& picture) const { return Bytes(picture) <= budget_; }
    // Records the picture as it was before an edit. The steps forward are
    // gone: the edit starts a new line.
    void Record(CImageBuffer before);
    bool CanStepBack() const { return !back_.empty(); }
    bool CanStepForward() const { return !forward_.empty(); }
    // Exchanges current with the picture before the last edit (false when
    // there is none); current becomes the step forward.
    bool StepBack(CImageBuffer& current);
    // The opposite of StepBack.
    bool StepForward(CImageBuffer& current);
    // Forgets every step (another picture was loaded) and the saved mark.
    void Clear();
    // Marks the current picture as the one in the file; AtSaved tells
    // whether stepping has come back to it.
    void MarkSaved() { saved_ = 0; }
    // A picture just loaded: no steps, and it is the one in the file.
    void Restart()
    {
        Clear();
        MarkSaved();
    }
    bool AtSaved() const { return saved_ == 0; }
    size_t BytesHeld() const { return held_; }

private:
    static size_t Bytes(const CImageBuffer& picture) { return picture.BitsSize() + picture.IndexPlane().size(); }
    void Trim();

    size_t budget_;
    size_t held_ = 0;
    std::deque<CImageBuffer> back_;     // oldest first
    std::deque<CImageBuffer> forward_;  // nearest first
    // Steps from the current picture to the saved one: negative back,
    // positive forward; none once it is gone.
    std::optional<long> saved_;
};

}  // namespace pix
