#pragma once
#include <optional>
#include <string>
#include <vector>

#include "core/Connection.h"

namespace kelo::app {

// The system's connections: the entries of the remote-access phone book and their active
// connections, and the network adapters. The checks made every two seconds ask about one
// connection only; the whole list is made when a dialog asks for it.
class SystemConnections : public ConnectionTable {
public:
    bool AnyConnected() override;
    std::vector<NetConnection> List() override;
    std::vector<NetConnection> DialUpLinks() override;
    std::optional<NetConnection> Adapter(const std::string& id) override;
    std::optional<NetConnection> PhoneBookConnection(const std::string& name) override;
};

}  // namespace kelo::app
