#include "platform/resources.h"

#include <map>
#include <mutex>
#include <string>

namespace tonvia::platform {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, ResourceBytes, std::less<>> entries;
};

// Constructed on first use: registrations run from static initialisers of other files.
Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

bool RegisterResource(std::string_view name, ResourceBytes bytes) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.entries.insert_or_assign(std::string(name), bytes);
    return true;
}

bool RegisterResource(std::string_view name, const std::uint8_t* begin, const std::uint8_t* end) {
    return RegisterResource(name, ResourceBytes(begin, static_cast<std::size_t>(end - begin)));
}

void UnregisterResource(std::string_view name) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const auto it = registry.entries.find(name);
    if (it != registry.entries.end()) {
        registry.entries.erase(it);
    }
}

std::optional<ResourceBytes> FindResource(std::string_view name) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const auto it = registry.entries.find(name);
    if (it == registry.entries.end()) {
        return std::nullopt;
    }
    return it->second;
}

}  // namespace tonvia::platform
