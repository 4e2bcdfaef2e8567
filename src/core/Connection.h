#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelo {

class IniDocument;

namespace ini {
// Which connection is counted (section "Connection").
inline constexpr const char* kConnection = "Connection";
inline constexpr const char* kConnectionKind = "Kind";
inline constexpr const char* kConnectionName = "Name";
inline constexpr const char* kConnectionId = "Id";
}  // namespace ini

// What the meter counts as online: any connection the system reports (the plain
// question, and what a file without the section means), any dial-up or broadband
// connection (PPP: dial-up, ISDN and PPPoE entries of the phone book, mobile broadband;
// not VPN), or one named connection.
enum class ConnectionKind : int32_t { Any = 0, DialUp = 1, Named = 2 };

struct ConnectionChoice {
    ConnectionKind kind = ConnectionKind::Any;
    std::string name;  // as the user sees it: the phone-book entry's or the adapter's name
    std::string id;    // the adapter's GUID "{...}"; empty for a phone-book entry
    friend bool operator==(const ConnectionChoice&, const ConnectionChoice&) = default;
};

// An absent or unreadable kind, or a named one that names nothing, counts any connection.
ConnectionChoice ReadConnectionChoice(const IniDocument& doc);
void WriteConnectionChoice(IniDocument& doc, const ConnectionChoice& choice);

// A connection as the system reports it.
enum class ConnectionSource { PhoneBook, Adapter };
enum class LinkType { Ppp, Lan, Vpn };

struct NetConnection {
    ConnectionSource source = ConnectionSource::Adapter;
    std::string name;  // UTF-8
    std::string id;    // an adapter's GUID "{...}"
    LinkType type = LinkType::Lan;
    // A phone-book entry: it has an active connection in the connected state. An adapter:
    // its operational state is up.
    bool up = false;
    std::vector<std::string> ipv4;  // unicast addresses, dotted decimal
};

// 169.254.0.0/16: what an adapter gives itself when nobody gave it an address.
bool IsLinkLocal(std::string_view ipv4);
// A phone-book entry when it is up; an adapter when it is up with an address that is not
// link-local (an adapter up without one reaches nothing beyond the cable).
bool IsConnected(const NetConnection& connection);
// The address the connection is known by while connected: its first one that is not
// link-local; empty when it is not connected or has none.
std::string ConnectedAddress(const NetConnection& connection);

// The system's connections. Each query throws KeloError when the system cannot answer.
class ConnectionTable {
public:
    virtual ~ConnectionTable() = default;
    // Whether the system reports any Internet connection at all.
    virtual bool AnyConnected() = 0;
    // Every phone-book entry, dialled or not, and every adapter that is not a loopback or a
    // tunnel: the list the user chooses from. Not for every check.
    virtual std::vector<NetConnection> List() = 0;
    // The active connections of the phone book (VPN ones among them) and the mobile
    // broadband adapters.
    virtual std::vector<NetConnection> DialUpLinks() = 0;
    // One adapter by its GUID, also after the user renamed it; none when no adapter has it.
    virtual std::optional<NetConnection> Adapter(const std::string& id) = 0;
    // The active connection of the phone-book entry of this name; none when it is not
    // dialled (or there is no such entry).
    virtual std::optional<NetConnection> PhoneBookConnection(const std::string& name) = 0;
};

// Whether `connection` is the one `choice` names: an adapter by its GUID, a phone-book
// entry by its name.
bool IsChosen(const NetConnection& connection, const ConnectionChoice& choice);

// What one check found of the counted connection.
struct ConnectionState {
    bool online = false;
    std::string name;  // the counted connection's name; empty for any connection
    std::string ipv4;  // its address while connected; empty for any connection
    friend bool operator==(const ConnectionState&, const ConnectionState&) = default;
};

// The check every two seconds: asks the system about the chosen connection only. A query
// that fails counts as offline; its failure is to be told once a run.
class ConnectionMonitor {
public:
    ConnectionMonitor(ConnectionTable& table, ConnectionChoice choice);

    ConnectionState Check();
    // The failure of the last check, when none was told before in this run.
    std::optional<std::string> TakeFailureToTell();
    // The counted connection's first address seen connected in the run (empty for any
    // connection, whose address is the host's).
    const std::string& RunAddress() const { return runAddress_; }
    const ConnectionChoice& Choice() const { return choice_; }

private:
    ConnectionState Query();

    ConnectionTable& table_;
    ConnectionChoice choice_;
    std::string runAddress_;
    std::optional<std::string> failure_;
    bool failureTold_ = false;
};

// The texts the user sees: a connection with its state ("宽带连接（已连接）"), and what the
// status bar says is counted ("计费连接：任何连接"); for dial-up and broadband, the one
// dialled while there is one.
std::string ConnectionLabel(const std::string& name, bool connected);
std::string CountedConnectionText(const ConnectionChoice& choice, const ConnectionState& state);

// The list to choose the named connection from: every connection with its state and, last,
// the chosen one when it no longer exists ("宽带连接（不存在）"). `chosen` is the index of the
// chosen connection, or none.
struct ConnectionList {
    std::vector<std::string> labels;
    std::vector<NetConnection> connections;  // beside each label; the missing one as chosen
    std::optional<size_t> chosen;
};
ConnectionList ConnectionListFor(std::vector<NetConnection> all, const ConnectionChoice& choice);

}  // namespace kelo
