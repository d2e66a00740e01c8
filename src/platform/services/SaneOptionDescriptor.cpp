#include "platform/services/SaneOptionDescriptor.h"

#include <cstring>

std::string BoundedText(const char* text)
{
    if (!text)
        return {};
    const void* end = std::memchr(text, '\0', MaxOptionSize);
    return end ? std::string(text) : std::string();
}

bool HoldsValue(const SANE_Option_Descriptor& descriptor)
{
    return descriptor.type != SANE_TYPE_BUTTON && descriptor.type != SANE_TYPE_GROUP;
}

bool Believable(const SANE_Option_Descriptor& descriptor)
{
    if (descriptor.type < SANE_TYPE_BOOL || descriptor.type > SANE_TYPE_GROUP)
        return false;
    // A button or a group has no value, but a size beyond the bounds says the descriptor is wrong.
    if (!HoldsValue(descriptor))
        return descriptor.size >= 0 && descriptor.size <= MaxOptionSize;
    const int minimum = descriptor.type == SANE_TYPE_STRING ? 1 : static_cast<int>(sizeof(SANE_Word));
    if (descriptor.size < minimum || descriptor.size > MaxOptionSize)
        return false;
    if (descriptor.constraint_type == SANE_CONSTRAINT_WORD_LIST)
        return descriptor.constraint.word_list && descriptor.constraint.word_list[0] >= 0 &&
               descriptor.constraint.word_list[0] <= MaxListLength;
    if (descriptor.constraint_type == SANE_CONSTRAINT_RANGE)
        return descriptor.constraint.range != nullptr;
    if (descriptor.constraint_type == SANE_CONSTRAINT_STRING_LIST)
        return descriptor.constraint.string_list != nullptr;
    return true;
}

ScanOption Describe(const SANE_Option_Descriptor& descriptor)
{
    ScanOption option;
    option.name = BoundedText(descriptor.name);
    option.title = BoundedText(descriptor.title);
    option.type = static_cast<ScanValueType>(descriptor.type);
    option.unit = descriptor.unit >= SANE_UNIT_NONE && descriptor.unit <= SANE_UNIT_MICROSECOND
                      ? static_cast<ScanUnit>(descriptor.unit)
                      : ScanUnit::None;
    option.active = SANE_OPTION_IS_ACTIVE(descriptor.cap);
    option.settable = SANE_OPTION_IS_SETTABLE(descriptor.cap);
    // The constraint of a button or a group is not checked: it has none.
    if (!HoldsValue(descriptor))
        return option;
    const auto number = [&](SANE_Word word) {
        return descriptor.type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : static_cast<double>(word);
    };
    switch (descriptor.constraint_type) {
    case SANE_CONSTRAINT_WORD_LIST:
        for (int i = 1; i <= descriptor.constraint.word_list[0]; ++i)
            option.numbers.push_back(number(descriptor.constraint.word_list[i]));
        break;
    case SANE_CONSTRAINT_RANGE:
        option.hasRange = true;
        option.minimum = number(descriptor.constraint.range->min);
        option.maximum = number(descriptor.constraint.range->max);
        break;
    case SANE_CONSTRAINT_STRING_LIST:
        for (int i = 0; descriptor.constraint.string_list[i] && i < MaxListLength; ++i)
            option.texts.push_back(BoundedText(descriptor.constraint.string_list[i]));
        break;
    default:
        break;
    }
    return option;
}
