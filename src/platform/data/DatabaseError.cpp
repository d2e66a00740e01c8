#include "platform/data/DatabaseError.h"

#include "platform/core/Component.h"

void DatabaseError(const std::string& message, const TComponent* component)
{
    if (component != nullptr && !component->Name().empty())
        throw EDatabaseError(component->Name() + ": " + message);
    throw EDatabaseError(message);
}
