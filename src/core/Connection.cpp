#include "core/Connection.h"

#include <algorithm>
#include <utility>

#include "core/Errors.h"
#include "core/IniDocument.h"

namespace kelo {

namespace {

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

ConnectionChoice ReadConnectionChoice(const IniDocument& doc) {
    ConnectionChoice choice;
    const int32_t kind = doc.ReadInt(ini::kConnection, ini::kConnectionKind, 0);
    choice.name = doc.ReadString(ini::kConnection, ini::kConnectionName, "");
    choice.id = doc.ReadString(ini::kConnection, ini::kConnectionId, "");
    if (kind == static_cast<int32_t>(ConnectionKind::DialUp)) choice.kind = ConnectionKind::DialUp;
    if (kind == static_cast<int32_t>(ConnectionKind::Named) && !(choice.name.empty() && choice.id.empty()))
        choice.kind = ConnectionKind::Named;
    return choice;
}

void WriteConnectionChoice(IniDocument& doc, const ConnectionChoice& choice) {
    doc.WriteInt(ini::kConnection, ini::kConnectionKind, static_cast<int32_t>(choice.kind));
    doc.Write(ini::kConnection, ini::kConnectionName, choice.name);
    doc.Write(ini::kConnection, ini::kConnectionId, choice.id);
}

bool IsLinkLocal(std::string_view ipv4) { return ipv4.starts_with("169.254."); }

bool IsConnected(const NetConnection& connection) {
    if (!connection.up) return false;
    if (connection.source == ConnectionSource::PhoneBook) return true;
    return std::any_of(connection.ipv4.begin(), connection.ipv4.end(),
                       [](const std::string& a) { return !a.empty() && !IsLinkLocal(a); });
}

std::string ConnectedAddress(const NetConnection& connection) {
    if (!IsConnected(connection)) return {};
    for (const std::string& address : connection.ipv4)
        if (!address.empty() && !IsLinkLocal(address)) return address;
    return {};
}

bool IsChosen(const NetConnection& connection, const ConnectionChoice& choice) {
    if (!choice.id.empty())
        return connection.source == ConnectionSource::Adapter && SameIgnoringAsciiCase(connection.id, choice.id);
    return connection.source == ConnectionSource::PhoneBook && !choice.name.empty() &&
           SameIgnoringAsciiCase(connection.name, choice.name);
}

ConnectionMonitor::ConnectionMonitor(ConnectionTable& table, ConnectionChoice choice)
    : table_(table), choice_(std::move(choice)) {}

ConnectionState ConnectionMonitor::Query() {
    switch (choice_.kind) {
    case ConnectionKind::Any:
        return {table_.AnyConnected(), {}, {}};
    case ConnectionKind::DialUp:
        for (const NetConnection& link : table_.DialUpLinks())
            if (link.type == LinkType::Ppp && IsConnected(link)) return {true, link.name, ConnectedAddress(link)};
        return {};
    case ConnectionKind::Named:
        break;
    }
    // An adapter is found by its GUID, so renaming it changes nothing; a connection that
    // no longer exists stays chosen and is offline.
    const std::optional<NetConnection> found =
        choice_.id.empty() ? table_.PhoneBookConnection(choice_.name) : table_.Adapter(choice_.id);
    if (!found) return {false, choice_.name, {}};
    return {IsConnected(*found), found->name, ConnectedAddress(*found)};
}

ConnectionState ConnectionMonitor::Check() {
    ConnectionState state;
    try {
        state = Query();
    } catch (const KeloError& e) {
        failure_ = std::string(e.what()) + "\n查询不到计费连接的状态时按未连接计算，不计时。";
        state = {false, choice_.kind == ConnectionKind::Named ? choice_.name : std::string(), {}};
    }
    if (state.online && runAddress_.empty()) runAddress_ = state.ipv4;
    return state;
}

std::optional<std::string> ConnectionMonitor::TakeFailureToTell() {
    std::optional<std::string> failure = std::exchange(failure_, std::nullopt);
    if (!failure || failureTold_) return std::nullopt;
    failureTold_ = true;
    return failure;
}

std::string ConnectionLabel(const std::string& name, bool connected) {
    return name + (connected ? "（已连接）" : "（未连接）");
}

std::string CountedConnectionText(const ConnectionChoice& choice, const ConnectionState& state) {
    switch (choice.kind) {
    case ConnectionKind::Any:
        return "计费连接：任何连接";
    case ConnectionKind::DialUp:
        return "计费连接：" +
               ConnectionLabel(state.online && !state.name.empty() ? state.name : "拨号和宽带连接", state.online);
    case ConnectionKind::Named:
        break;
    }
    return "计费连接：" + ConnectionLabel(choice.name, state.online);
}

ConnectionList ConnectionListFor(std::vector<NetConnection> all, const ConnectionChoice& choice) {
    ConnectionList list;
    for (NetConnection& connection : all) {
        if (!list.chosen && IsChosen(connection, choice)) list.chosen = list.labels.size();
        list.labels.push_back(ConnectionLabel(connection.name, IsConnected(connection)));
        list.connections.push_back(std::move(connection));
    }
    if (!list.chosen && choice.kind == ConnectionKind::Named) {
        list.chosen = list.labels.size();
        list.labels.push_back(choice.name + "（不存在）");
        list.connections.push_back({choice.id.empty() ? ConnectionSource::PhoneBook : ConnectionSource::Adapter,
                                    choice.name, choice.id, LinkType::Lan, false, {}});
    }
    return list;
}

}  // namespace kelo
