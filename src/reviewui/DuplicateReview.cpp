#include "reviewui/DuplicateReview.h"

#include <optional>

#include "database/SignatureCache.h"

namespace pix {

DuplicateReview::DuplicateReview(const std::vector<std::vector<std::string>>& groups)
{
    for (const std::vector<std::string>& paths : groups) {
        Group group;
        std::vector<PictureFacts> facts;
        for (const std::string& path : paths)
            facts.push_back(FactsOfPicture(path));
        group.keeper = SuggestedKeeper(facts);
        for (PictureFacts& f : facts)
            group.members.push_back({std::move(f), Mark::None});
        if (!group.members.empty() && group.members[group.keeper].facts.present)
            group.members[group.keeper].mark = Mark::Keep;
        groups_.push_back(std::move(group));
    }
}

DuplicateReview::State DuplicateReview::StateOf(size_t group, size_t member) const
{
    const PictureFacts& facts = MemberAt(group, member).facts;
    if (!facts.present || !StampOfFile(facts.path))
        return State::Missing;
    return Unchanged(facts) ? State::Present : State::Changed;
}

void DuplicateReview::MarkKeep(size_t group, size_t member) { groups_[group].members[member].mark = Mark::Keep; }

DuplicateReview::Refusal DuplicateReview::MarkDelete(size_t group, size_t member)
{
    switch (StateOf(group, member)) {
    case State::Missing:
        return Refusal::Missing;
    case State::Changed:
        return Refusal::Changed;
    case State::Present:
        break;
    }
    if (!KeepsACopy(group, member))
        return Refusal::LastCopy;
    groups_[group].members[member].mark = Mark::Delete;
    groups_[group].notDuplicates = false;
    return Refusal::None;
}

void DuplicateReview::ClearMark(size_t group, size_t member) { groups_[group].members[member].mark = Mark::None; }

void DuplicateReview::ToggleNotDuplicates(size_t group)
{
    Group& g = groups_[group];
    g.notDuplicates = !g.notDuplicates;
    if (g.notDuplicates)
        for (Member& m : g.members)
            if (m.mark == Mark::Delete)
                m.mark = Mark::None;
}

std::vector<std::pair<size_t, size_t>> DuplicateReview::MarkedForDelete() const
{
    std::vector<std::pair<size_t, size_t>> marked;
    for (size_t g = 0; g < groups_.size(); ++g)
        for (size_t m = 0; m < groups_[g].members.size(); ++m)
            if (groups_[g].members[m].mark == Mark::Delete)
                marked.emplace_back(g, m);
    return marked;
}

std::vector<size_t> DuplicateReview::NotDuplicateGroups() const
{
    std::vector<size_t> held;
    for (size_t g = 0; g < groups_.size(); ++g)
        if (groups_[g].notDuplicates)
            held.push_back(g);
    return held;
}

bool DuplicateReview::KeepsACopy(size_t group, size_t except) const
{
    for (size_t m = 0; m < groups_[group].members.size(); ++m)
        if (m != except && MemberAt(group, m).mark != Mark::Delete && StateOf(group, m) == State::Present)
            return true;
    return false;
}

}  // namespace pix
