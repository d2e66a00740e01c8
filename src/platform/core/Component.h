#pragma once

#include <memory>
#include <string>
#include <vector>

// The class library's component, as far as the program's non-visual components need it: a name, an
// owner that frees the components it owns, and the loading state of a component whose properties
// are being set from a stored form, which `Loaded` ends.
class TComponent {
public:
    TComponent() = default;
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Makes a component owned by this one; it lives until this one is freed or frees it.
    template <typename T, typename... Args> T* CreateOwned(Args&&... args)
    {
        auto component = std::make_unique<T>(std::forward<Args>(args)...);
        T* result = component.get();
        InsertComponent(std::move(component));
        return result;
    }
    // Frees an owned component before its owner goes.
    void FreeComponent(TComponent* component);

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)).get(); }

    // True between BeginLoading and Loaded, for this component and every component it owns.
    bool Loading() const { return loading_; }
    void BeginLoading();
    // Ends the loading of the owned components first, then of this one; overrides apply what
    // loading only recorded, after calling this.
    virtual void Loaded();

private:
    void InsertComponent(std::unique_ptr<TComponent> component);

    std::string name_;
    TComponent* owner_ = nullptr;
    std::vector<std::unique_ptr<TComponent>> components_;
    bool loading_ = false;
};
