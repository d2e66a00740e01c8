#include "platform/data/DatabaseError.h"

#include "platform/core/CodePage.h"
#include "platform/core/Component.h"

void DatabaseError(const std::string& message, const TComponent* component)
{
    if (component != nullptr && !component->Name().empty())
        throw EDatabaseError(component->Name() + ": " + message);
    throw EDatabaseError(message);
}

void NotFoundError(std::string_view what, std::string_view name, const TComponent* component)
{
    DatabaseError(std::string(what) + " '" + Win1252ToUtf8(name) + "' not found", component);
}
