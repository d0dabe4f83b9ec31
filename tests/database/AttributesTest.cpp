#include <gtest/gtest.h>

#include "database/Attributes.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

using Strings = std::vector<std::string>;

TEST(Attributes, TickUntickAndTheSharedTree)
{
    CImageDatabase db;
    TickNode(db, "f1", {"Attributes", "Animals", "Cat", "Black"});
    ASSERT_EQ(db.RecordCount(), 1u);  // the ancestors come with the deepest node
    EXPECT_TRUE(OwnerHasNode(db, "f1", {"Attributes", "Animals"}));
    TickNode(db, "f1", {"Attributes", "Animals", "Dog"});
    TickNode(db, "f2", {"Attributes", "Animals", "Cat"});

    // Every owner's nodes are shown for every file; only its own are ticked.
    EXPECT_EQ(ChildNodes(db, {"Attributes", "Animals"}), (Strings{"Cat", "Dog"}));
    EXPECT_EQ(ChildNodes(db, {"Attributes", "Animals", "Cat"}), (Strings{"Black"}));
    EXPECT_FALSE(OwnerHasNode(db, "f2", {"Attributes", "Animals", "Dog"}));

    // Unticking an ancestor removes everything below it, for that owner only.
    UntickNode(db, "f1", {"Attributes", "Animals"}, 0);
    EXPECT_FALSE(OwnerHasNode(db, "f1", {"Attributes"}));
    EXPECT_TRUE(OwnerHasNode(db, "f2", {"Attributes", "Animals", "Cat"}));
}

// Renames here; empty, taken and new labels and the query dialog are
// checked through the database pane and the attribute dialog.
TEST(Attributes, ARenameReachesEveryOwnerAndFlagsArePartOfTheLabel)
{
    CImageDatabase db;
    test::RecordingPrompter prompter;
    const CStrList parent{"Attributes", "Colour"};
    TickNode(db, "f1", {"Attributes", "Colour", "Red"});
    TickNode(db, "f2", {"Attributes", "Colour", "Red", "Dark"});
    // A rename reaches every owner, also below the node.
    EXPECT_EQ(CommitNodeLabel(db, prompter, "f1", parent, 0, "Red", "Crimson", false), LabelEdit::Renamed);
    EXPECT_EQ(db.Records(), (std::vector<CStrList>{{"f1", "Attributes", "Colour", "Crimson"},
                                                   {"f2", "Attributes", "Colour", "Crimson", "Dark"}}));
    // Flags are part of the stored string.
    EXPECT_EQ(CommitNodeLabel(db, prompter, "f1", parent, kNodeLeaf, "", "Blue", true), LabelEdit::Added);
    EXPECT_TRUE(OwnerHasNode(db, "f1", {"Attributes", "Colour", "@2Blue"}));
    EXPECT_EQ(SplitNode("@2Blue").flags, 2);
    EXPECT_EQ(SplitNode("@2Blue").label, "Blue");
    EXPECT_EQ(SplitNode("@").label, "@");
}

TEST(Attributes, DeleteAsksForSharedNodesOnly)
{
    CImageDatabase db;
    TickNode(db, "f1", {"Attributes", "Trip", "Rome"});
    TickNode(db, "f2", {"Attributes", "Trip", "Paris"});
    TickNode(db, "f2", {"Attributes", "Other"});
    test::RecordingPrompter prompter;
    prompter.script = {Answer::Cancel, Answer::Ok};
    EXPECT_FALSE(DeleteNode(db, prompter, "f1", {"Attributes", "Trip"}, 0));
    EXPECT_EQ(db.RecordCount(), 3u);
    EXPECT_TRUE(DeleteNode(db, prompter, "f1", {"Attributes", "Trip"}, 0));
    EXPECT_EQ(prompter.texts.at(1), "Delete \"Trip\" for all files ?");
    EXPECT_EQ(db.Records(), (std::vector<CStrList>{{"f2", "Attributes", "Other"}}));

    // A link of one owner goes without a question, for that owner only.
    ASSERT_TRUE(AddLink(db, "f2", {"Attributes", "Other"}, "/usr/bin/gimp", true));
    ASSERT_TRUE(AddLink(db, "f3", {"Attributes", "Other"}, "/usr/bin/gimp", true));
    EXPECT_TRUE(DeleteNode(db, prompter, "f2", {"Attributes", "Other", "@7gimp"}, 7));
    EXPECT_EQ(prompter.texts.size(), 2u);
    EXPECT_EQ(LinkTarget(db, "f2", {"Attributes", "Other", "@7gimp"}, 7), "");
    EXPECT_EQ(LinkTarget(db, "f3", {"Attributes", "Other", "@7gimp"}, 7), "/usr/bin/gimp");
}

TEST(Attributes, LinksMovesAndAutoFillIn)
{
    CImageDatabase db;
    EXPECT_TRUE(AddLink(db, "none", {"Attributes", "Tools"}, "/usr/bin/viewer", false));
    EXPECT_FALSE(AddLink(db, "none", {"Attributes", "Tools"}, "/usr/bin/viewer", false));
    EXPECT_EQ(db.Records().at(0), (CStrList{"none", "Attributes", "Tools", "@6viewer", "@8Path", "/usr/bin/viewer"}));
    EXPECT_EQ(LinkTarget(db, "f9", {"Attributes", "Tools", "@6viewer"}, 6), "/usr/bin/viewer");

    TickNode(db, "f1", {"Attributes", "Cat"});
    TickNode(db, "f1", {"Attributes", "Pets"});
    EXPECT_TRUE(MoveNode(db, {"Attributes", "Cat"}, {"Attributes", "Pets"}));
    EXPECT_TRUE(OwnerHasNode(db, "f1", {"Attributes", "Pets", "Cat"}));
    EXPECT_FALSE(MoveNode(db, {"Attributes", "Pets"}, {"Attributes", "Pets", "Cat"}));  // into itself
    TickNode(db, "f1", {"Attributes", "Cat"});
    EXPECT_FALSE(MoveNode(db, {"Attributes", "Cat"}, {"Attributes", "Pets"}));  // the name is taken

    // f2 has a subset of f1's attributes, so it receives all of them.
    TickNode(db, "f2", {"Attributes", "Pets", "Cat"});
    TickNode(db, "f3", {"Attributes", "Dogs"});
    EXPECT_TRUE(AutoFillIn(db, "f2"));
    EXPECT_TRUE(OwnerHasNode(db, "f2", {"Attributes", "Cat"}));
    EXPECT_FALSE(OwnerHasNode(db, "f2", {"Attributes", "Dogs"}));

    // The pane's and the dialog's owners are no files to copy from.
    CImageDatabase other;
    for (const char* owner : {kTemplateOwner, kNoFileOwner, "f1", "f2"})
        TickNode(other, owner, {"Attributes", "Cat"});
    TickNode(other, kTemplateOwner, {"Attributes", "Dog"});
    TickNode(other, kNoFileOwner, {"Attributes", "Fox"});
    TickNode(other, "f1", {"Attributes", "Owl"});
    EXPECT_TRUE(AutoFillIn(other, "f2"));
    EXPECT_TRUE(OwnerHasNode(other, "f2", {"Attributes", "Owl"}));
    EXPECT_FALSE(OwnerHasNode(other, "f2", {"Attributes", "Dog"}) || OwnerHasNode(other, "f2", {"Attributes", "Fox"}));
}

}  // namespace
}  // namespace pix
