#pragma once
// Named, process-wide resources: one registry per resource type. The registry owns what it
// holds; everyone else borrows by name for the duration of a call.
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>

template <class T>
class ResourceRegistry {
public:
    ResourceRegistry() = default;
    ResourceRegistry(const ResourceRegistry&) = delete;
    ResourceRegistry& operator=(const ResourceRegistry&) = delete;
    ~ResourceRegistry() { ReleaseAll(); }

    // Returns the existing object untouched, or makes a fresh one in its default state.
    T* Create(std::string_view name) {
        auto it = entries.find(name);
        if (it != entries.end()) return it->second;
        T* made = new T();
        entries.emplace(std::string(name), made);
        return made;
    }

    // Never inserts. Drawing looks names up every frame, so no key string is built for it.
    T* Get(std::string_view name) const {
        auto it = entries.find(name);
        return it == entries.end() ? nullptr : it->second;
    }

    void Remove(std::string_view name) {
        auto it = entries.find(name);
        if (it == entries.end()) return;
        if (it->second != nullptr) {
            ReleaseResource(it->second);  // found by argument-dependent lookup per type
            it->second = nullptr;
        }
        entries.erase(it);
    }

    std::size_t Size() const { return entries.size(); }

    // Empties the registry in name order, releasing each object once.
    void ReleaseAll() {
        while (!entries.empty()) Remove(entries.begin()->first);
    }

private:
    std::map<std::string, T*, std::less<>> entries;  // std::less<> finds by string_view
};

// The one registry of a type, made on first use. Function-local statics are destroyed in reverse
// order of their construction, so the registry used first is released last.
template <class T>
ResourceRegistry<T>& Registry() {
    static ResourceRegistry<T> instance;
    return instance;
}
