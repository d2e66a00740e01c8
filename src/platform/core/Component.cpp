#include "platform/core/Component.h"

#include <algorithm>

TComponent::~TComponent()
{
    // The last made goes first, as the class library frees them.
    while (!components_.empty())
        components_.pop_back();
}

void TComponent::InsertComponent(std::unique_ptr<TComponent> component)
{
    component->owner_ = this;
    component->loading_ = loading_;
    components_.push_back(std::move(component));
}

void TComponent::FreeComponent(TComponent* component)
{
    const auto found = std::find_if(components_.begin(), components_.end(),
                                    [component](const auto& owned) { return owned.get() == component; });
    if (found == components_.end())
        return;
    // Taken out of the list first, so that its destructor never sees itself listed.
    std::unique_ptr<TComponent> freed = std::move(*found);
    components_.erase(found);
}

void TComponent::BeginLoading()
{
    loading_ = true;
    for (const auto& component : components_)
        component->BeginLoading();
}

void TComponent::Loaded()
{
    for (const auto& component : components_)
        if (component->Loading())
            component->Loaded();
    loading_ = false;
}
