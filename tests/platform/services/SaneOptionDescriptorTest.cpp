// What a SANE backend says of its options, believed only within the bounds: the sizes of every type,
// buttons and groups among them, whose constraints are never read.
#include "platform/services/SaneOptionDescriptor.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(SaneOptionDescriptor, SizesAreBelievedOnlyWithinBoundsAndAGroupsConstraintIsNotRead)
{
    const struct {
        SANE_Value_Type type;
        SANE_Int size;
        SANE_Constraint_Type constraint;
        bool believed;
    } cases[] = {
        {SANE_TYPE_BUTTON, 0, SANE_CONSTRAINT_NONE, true},
        {SANE_TYPE_BUTTON, -1, SANE_CONSTRAINT_NONE, false},
        {SANE_TYPE_BUTTON, INT_MAX, SANE_CONSTRAINT_NONE, false},
        {SANE_TYPE_GROUP, MaxOptionSize, SANE_CONSTRAINT_NONE, true},
        {SANE_TYPE_GROUP, MaxOptionSize + 1, SANE_CONSTRAINT_NONE, false},
        {SANE_TYPE_GROUP, INT_MIN, SANE_CONSTRAINT_NONE, false},
        // Only a group's title and type are its own: a list it does not have is never followed.
        {SANE_TYPE_GROUP, 0, SANE_CONSTRAINT_WORD_LIST, true},
        {SANE_TYPE_INT, 4, SANE_CONSTRAINT_NONE, true},
        {SANE_TYPE_INT, 2, SANE_CONSTRAINT_NONE, false},
        {SANE_TYPE_INT, 4, SANE_CONSTRAINT_WORD_LIST, false},
        {SANE_TYPE_STRING, 0, SANE_CONSTRAINT_NONE, false},
    };
    for (const auto& given : cases) {
        SANE_Option_Descriptor descriptor{};
        descriptor.name = "option";
        descriptor.type = given.type;
        descriptor.size = given.size;
        descriptor.constraint_type = given.constraint;
        ASSERT_EQ(Believable(descriptor), given.believed) << given.type << " " << given.size;
        EXPECT_EQ(HoldsValue(descriptor), given.type != SANE_TYPE_BUTTON && given.type != SANE_TYPE_GROUP);
        if (given.believed) {
            EXPECT_TRUE(Describe(descriptor).numbers.empty());
        }
    }
}

} // namespace
