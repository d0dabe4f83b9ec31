#pragma once
// The decisions of a duplicate review: for each group found by the
// duplicate search, the facts of its pictures as they were when the review
// began, a mark on each ("keep", "delete" or none) and whether the user
// holds the group to be no duplicates at all.
//
// The rules that keep a review from losing a picture: a file that vanished
// or changed since the review began cannot be marked delete, and a delete
// mark is refused when it would leave the group without a picture that is
// present, unchanged and not marked delete.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "database/DuplicateFacts.h"

namespace pix {

class DuplicateReview {
public:
    enum class Mark { None, Keep, Delete };
    enum class State { Present, Missing, Changed };
    // Why a delete mark was refused.
    enum class Refusal { None, Missing, Changed, LastCopy };

    // Looks at every file now; the suggested copy of each group is marked
    // keep.
    explicit DuplicateReview(const std::vector<std::vector<std::string>>& groups);

    size_t GroupCount() const { return groups_.size(); }
    size_t MemberCount(size_t group) const { return groups_[group].members.size(); }
    const PictureFacts& Facts(size_t group, size_t member) const { return MemberAt(group, member).facts; }
    Mark MarkOf(size_t group, size_t member) const { return MemberAt(group, member).mark; }
    bool NotDuplicates(size_t group) const { return groups_[group].notDuplicates; }
    // The member suggested to keep.
    size_t Keeper(size_t group) const { return groups_[group].keeper; }
    // The file as it is now, against its facts.
    State StateOf(size_t group, size_t member) const;

    void MarkKeep(size_t group, size_t member);
    // Marks the member delete unless a rule forbids it; marking a member of
    // a group held to be no duplicates takes that verdict back.
    Refusal MarkDelete(size_t group, size_t member);
    void ClearMark(size_t group, size_t member);
    // Holds the group to be no duplicates (removing its delete marks), or
    // takes that back.
    void ToggleNotDuplicates(size_t group);

    // The files marked delete, group by group, and the groups held to be
    // no duplicates; nothing pending when both are empty.
    std::vector<std::pair<size_t, size_t>> MarkedForDelete() const;
    std::vector<size_t> NotDuplicateGroups() const;
    bool HasPending() const { return !MarkedForDelete().empty() || !NotDuplicateGroups().empty(); }
    // Whether the group keeps a present, unchanged picture not marked
    // delete other than member (none: any member).
    bool KeepsACopy(size_t group, size_t except = static_cast<size_t>(-1)) const;

private:
    struct Member {
        PictureFacts facts;
        Mark mark = Mark::None;
    };
    struct Group {
        std::vector<Member> members;
        size_t keeper = 0;
        bool notDuplicates = false;
    };
    const Member& MemberAt(size_t group, size_t member) const { return groups_[group].members[member]; }

    std::vector<Group> groups_;
};

}  // namespace pix
