// What a SANE backend says of its options, believed only within the bounds: sizes of every type,
// buttons and groups among them, and the constraints of those that hold values.
#include "platform/services/SaneOptionDescriptor.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

SANE_Option_Descriptor Descriptor(SANE_Value_Type type, SANE_Int size,
                                  SANE_Constraint_Type constraint = SANE_CONSTRAINT_NONE)
{
    SANE_Option_Descriptor descriptor{};
    descriptor.name = "option";
    descriptor.title = "Option";
    descriptor.type = type;
    descriptor.size = size;
    descriptor.cap = SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT;
    descriptor.constraint_type = constraint;
    return descriptor;
}

TEST(SaneOptionDescriptor, SizesAndConstraintsAreBelievedOnlyWithinBounds)
{
    const SANE_Word list[] = {2, 75, 150};
    const SANE_Range range{1, 1200, 1};
    const struct {
        SANE_Option_Descriptor descriptor;
        bool believed;
    } cases[] = {
        {Descriptor(SANE_TYPE_BUTTON, 0), true},
        {Descriptor(SANE_TYPE_BUTTON, -1), false},
        {Descriptor(SANE_TYPE_BUTTON, INT_MAX), false},
        {Descriptor(SANE_TYPE_GROUP, MaxOptionSize), true},
        {Descriptor(SANE_TYPE_GROUP, MaxOptionSize + 1), false},
        {Descriptor(SANE_TYPE_GROUP, INT_MIN), false},
        {Descriptor(SANE_TYPE_INT, 4), true},
        {Descriptor(SANE_TYPE_INT, 2), false},
        {Descriptor(SANE_TYPE_FIXED, MaxOptionSize + 1), false},
        {Descriptor(SANE_TYPE_STRING, 0), false},
        {Descriptor(SANE_TYPE_STRING, 1), true},
        {Descriptor(static_cast<SANE_Value_Type>(6), 4), false},
        {Descriptor(SANE_TYPE_INT, 4, SANE_CONSTRAINT_WORD_LIST), false},
        {Descriptor(SANE_TYPE_INT, 4, SANE_CONSTRAINT_RANGE), false},
        {Descriptor(SANE_TYPE_STRING, 8, SANE_CONSTRAINT_STRING_LIST), false},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(Believable(cases[i].descriptor), cases[i].believed) << i;

    SANE_Option_Descriptor listed = Descriptor(SANE_TYPE_INT, 4, SANE_CONSTRAINT_WORD_LIST);
    listed.constraint.word_list = list;
    ASSERT_TRUE(Believable(listed));
    EXPECT_EQ(Describe(listed).numbers, (std::vector<double>{75, 150}));
    SANE_Option_Descriptor ranged = Descriptor(SANE_TYPE_FIXED, 4, SANE_CONSTRAINT_RANGE);
    ranged.constraint.range = &range;
    ASSERT_TRUE(Believable(ranged));
    EXPECT_TRUE(Describe(ranged).hasRange);
}

// A group's constraint is not its own (only its title and type are): it is never followed.
TEST(SaneOptionDescriptor, AButtonOrGroupHoldsNoValueAndItsConstraintIsNotRead)
{
    for (SANE_Value_Type type : {SANE_TYPE_BUTTON, SANE_TYPE_GROUP}) {
        SANE_Option_Descriptor descriptor = Descriptor(type, 0, SANE_CONSTRAINT_WORD_LIST);
        ASSERT_TRUE(Believable(descriptor));
        EXPECT_FALSE(HoldsValue(descriptor));
        const ScanOption option = Describe(descriptor);
        EXPECT_EQ(option.type, type == SANE_TYPE_BUTTON ? ScanValueType::Button : ScanValueType::Group);
        EXPECT_TRUE(option.numbers.empty() && !option.hasRange);
    }
    EXPECT_TRUE(HoldsValue(Descriptor(SANE_TYPE_BOOL, 4)));
}

} // namespace
