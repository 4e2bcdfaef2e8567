#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Connection.h"

namespace kelo::app {

// The remote-access library's functions, once loaded.
struct RemoteAccess;

// The system's connections: the entries of the remote-access phone book and their active
// connections, and the network adapters. The checks made every two seconds ask about one
// connection only; the whole list is made when a dialog asks for it.
class SystemConnections : public ConnectionTable {
public:
    // The remote-access library is loaded when the phone book is first asked about, so a
    // run that counts an adapter or any connection never loads it; one that cannot be
    // loaded makes each phone-book query fail.
    explicit SystemConnections(std::wstring remoteAccessLibrary = L"rasapi32.dll");
    ~SystemConnections() override;

    bool AnyConnected() override;
    std::vector<NetConnection> List() override;
    std::vector<NetConnection> DialUpLinks() override;
    std::optional<NetConnection> Adapter(const std::string& id) override;
    std::optional<NetConnection> PhoneBookConnection(const std::string& name) override;

private:
    const RemoteAccess& Ras();

    std::wstring remoteAccessLibrary_;
    std::unique_ptr<RemoteAccess> ras_;
    std::optional<std::string> rasFailure_;
};

}  // namespace kelo::app
