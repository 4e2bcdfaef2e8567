#include "app/NetConnections.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
#include <objbase.h>
#include <ras.h>
#include <raserror.h>

#include <memory>

#include "app/Platform.h"
#include "core/Errors.h"
#include "framework/Handle.h"
#include "framework/WinText.h"

namespace kelo::app {

// The four functions of the remote-access library the program calls.
struct RemoteAccess {
    win::UniqueModule library;
    decltype(&RasEnumConnectionsW) enumConnections = nullptr;
    decltype(&RasEnumEntriesW) enumEntries = nullptr;
    decltype(&RasGetConnectStatusW) connectStatus = nullptr;
    decltype(&RasGetProjectionInfoW) projectionInfo = nullptr;
};

namespace {

// Mobile broadband adapters (IF_TYPE_WWANPP and IF_TYPE_WWANPP2), newer than the headers.
constexpr ULONG kMobileBroadband = 243;
constexpr ULONG kMobileBroadband2 = 244;
// A few tries at a list that grows between asking its size and fetching it.
constexpr int kListTries = 4;

[[noreturn]] void Fail(const char* what, DWORD code) {
    throw KeloError(std::string(what) + "：" + win::SystemErrorText(code) + "（错误 " + std::to_string(code) + "）");
}

bool SameName(const wchar_t* a, const wchar_t* b) { return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL; }

std::string Dotted(const IN_ADDR& address) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(&address);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." + std::to_string(b[3]);
}

// A loopback reaches nothing and a tunnel rides on another adapter; a PPP adapter is a
// phone-book entry's connection, listed as that entry.
bool Listed(ULONG ifType) {
    return ifType != IF_TYPE_SOFTWARE_LOOPBACK && ifType != IF_TYPE_TUNNEL && ifType != IF_TYPE_PPP;
}

LinkType AdapterType(ULONG ifType) {
    return ifType == kMobileBroadband || ifType == kMobileBroadband2 ? LinkType::Ppp : LinkType::Lan;
}

struct MibTableFree {
    void operator()(void* table) const { FreeMibTable(table); }
};

// The adapter's unicast IPv4 addresses.
std::vector<std::string> AddressesOf(const NET_LUID& luid) {
    PMIB_UNICASTIPADDRESS_TABLE raw = nullptr;
    const DWORD rc = GetUnicastIpAddressTable(AF_INET, &raw);
    if (rc == ERROR_NOT_FOUND) return {};
    if (rc != NO_ERROR) Fail("无法查询网络适配器的地址", rc);
    const std::unique_ptr<MIB_UNICASTIPADDRESS_TABLE, MibTableFree> table(raw);
    std::vector<std::string> addresses;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_UNICASTIPADDRESS_ROW& row = table->Table[i];
        if (row.InterfaceLuid.Value == luid.Value) addresses.push_back(Dotted(row.Address.Ipv4.sin_addr));
    }
    return addresses;
}

std::string GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return win::Narrow(text);
}

NetConnection FromRow(const MIB_IF_ROW2& row) {
    NetConnection adapter{ConnectionSource::Adapter, win::Narrow(row.Alias), GuidText(row.InterfaceGuid),
                          AdapterType(row.Type), row.OperStatus == IfOperStatusUp, {}};
    if (adapter.up) adapter.ipv4 = AddressesOf(row.InterfaceLuid);
    return adapter;
}

// A list the remote-access service fills in: room for one item first, more when it asks.
template <class Item, class Fill>
std::vector<Item> RasList(Fill fill, const char* failure) {
    std::vector<Item> items(1);
    for (int tries = 0; tries < kListTries; ++tries) {
        items[0].dwSize = sizeof(Item);
        DWORD bytes = static_cast<DWORD>(items.size() * sizeof(Item));
        DWORD count = 0;
        const DWORD rc = fill(items.data(), &bytes, &count);
        if (rc == ERROR_BUFFER_TOO_SMALL) {
            items.resize(bytes / sizeof(Item) + 1);
            continue;
        }
        if (rc == ERROR_CANNOT_OPEN_PHONEBOOK) return {};  // no phone book made yet
        if (rc != ERROR_SUCCESS) Fail(failure, rc);
        items.resize(count);
        return items;
    }
    Fail(failure, ERROR_BUFFER_TOO_SMALL);
}

template <class Function>
void Find(HMODULE library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    if (function) return;
    const DWORD code = GetLastError();
    Fail((std::string("无法使用拨号连接的系统函数 ") + name).c_str(), code);
}

std::unique_ptr<RemoteAccess> LoadRemoteAccess(const std::wstring& file) {
    // From the system's folder by its full path: never a copy planted beside the program.
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring path = (length > 0 && length < MAX_PATH ? std::wstring(system, length) + L"\\" : L"") + file;
    auto ras = std::make_unique<RemoteAccess>();
    ras->library.reset(LoadLibraryW(path.c_str()));
    if (!ras->library) {
        const DWORD code = GetLastError();
        Fail(("无法载入 " + win::Narrow(file)).c_str(), code);
    }
    Find(ras->library.get(), "RasEnumConnectionsW", ras->enumConnections);
    Find(ras->library.get(), "RasEnumEntriesW", ras->enumEntries);
    Find(ras->library.get(), "RasGetConnectStatusW", ras->connectStatus);
    Find(ras->library.get(), "RasGetProjectionInfoW", ras->projectionInfo);
    return ras;
}

std::vector<RASCONNW> ActiveRasConnections(const RemoteAccess& ras) {
    return RasList<RASCONNW>(ras.enumConnections, "无法查询拨号连接");
}

std::vector<RASENTRYNAMEW> PhoneBookEntries(const RemoteAccess& ras) {
    return RasList<RASENTRYNAMEW>(
        [&ras](RASENTRYNAMEW* entries, DWORD* bytes, DWORD* count) {
            return ras.enumEntries(nullptr, nullptr, entries, bytes, count);
        },
        "无法读取拨号连接的电话簿");
}

// An active connection of the phone book: up once it is connected, with the address it
// was given.
NetConnection FromRas(const RemoteAccess& ras, const RASCONNW& connection) {
    NetConnection entry{ConnectionSource::PhoneBook, win::Narrow(connection.szEntryName), {},
                        SameName(connection.szDeviceType, RASDT_Vpn) ? LinkType::Vpn : LinkType::Ppp, false, {}};
    RASCONNSTATUSW status{};
    status.dwSize = sizeof status;
    entry.up = ras.connectStatus(connection.hrasconn, &status) == ERROR_SUCCESS &&
               status.rasconnstate == RASCS_Connected;
    RASPPPIPW ip{};
    ip.dwSize = sizeof ip;
    DWORD size = sizeof ip;
    if (entry.up && ras.projectionInfo(connection.hrasconn, RASP_PppIp, &ip, &size) == ERROR_SUCCESS &&
        ip.dwError == ERROR_SUCCESS && ip.szIpAddress[0] != L'\0')
        entry.ipv4.push_back(win::Narrow(ip.szIpAddress));
    return entry;
}

std::vector<NetConnection> Adapters() {
    constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG bytes = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG rc = ERROR_BUFFER_OVERFLOW;
    for (int tries = 0; tries < kListTries && rc == ERROR_BUFFER_OVERFLOW; ++tries) {
        buffer.resize(bytes);
        rc = GetAdaptersAddresses(AF_UNSPEC, kFlags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                                  &bytes);
    }
    if (rc == ERROR_NO_DATA) return {};
    if (rc != ERROR_SUCCESS) Fail("无法查询网络适配器", rc);
    std::vector<NetConnection> adapters;
    for (auto* a = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
        if (!Listed(a->IfType)) continue;
        NetConnection adapter{ConnectionSource::Adapter, win::Narrow(a->FriendlyName), a->AdapterName,
                              AdapterType(a->IfType), a->OperStatus == IfOperStatusUp, {}};
        for (auto* u = a->FirstUnicastAddress; u; u = u->Next)
            if (u->Address.lpSockaddr->sa_family == AF_INET)
                adapter.ipv4.push_back(Dotted(reinterpret_cast<const sockaddr_in*>(u->Address.lpSockaddr)->sin_addr));
        adapters.push_back(std::move(adapter));
    }
    return adapters;
}

}  // namespace

SystemConnections::SystemConnections(std::wstring remoteAccessLibrary)
    : remoteAccessLibrary_(std::move(remoteAccessLibrary)) {}

SystemConnections::~SystemConnections() = default;

// Loaded once; a library that cannot be loaded is not tried again in the run.
const RemoteAccess& SystemConnections::Ras() {
    if (ras_) return *ras_;
    if (rasFailure_) throw KeloError(*rasFailure_);
    try {
        ras_ = LoadRemoteAccess(remoteAccessLibrary_);
    } catch (const KeloError& e) {
        rasFailure_ = e.what();
        throw;
    }
    return *ras_;
}

bool SystemConnections::AnyConnected() { return IsOnline(); }

std::vector<NetConnection> SystemConnections::List() {
    const RemoteAccess& ras = Ras();
    const std::vector<RASCONNW> active = ActiveRasConnections(ras);
    std::vector<NetConnection> all;
    for (const RASENTRYNAMEW& entry : PhoneBookEntries(ras)) {
        NetConnection listed{ConnectionSource::PhoneBook, win::Narrow(entry.szEntryName), {}, LinkType::Ppp, false, {}};
        for (const RASCONNW& connection : active)
            if (SameName(connection.szEntryName, entry.szEntryName)) listed = FromRas(ras, connection);
        all.push_back(std::move(listed));
    }
    for (NetConnection& adapter : Adapters()) all.push_back(std::move(adapter));
    return all;
}

std::vector<NetConnection> SystemConnections::DialUpLinks() {
    std::vector<NetConnection> links;
    const RemoteAccess& ras = Ras();
    for (const RASCONNW& connection : ActiveRasConnections(ras)) links.push_back(FromRas(ras, connection));
    PMIB_IF_TABLE2 raw = nullptr;
    const DWORD rc = GetIfTable2(&raw);
    if (rc != NO_ERROR) Fail("无法查询网络适配器", rc);
    const std::unique_ptr<MIB_IF_TABLE2, MibTableFree> table(raw);
    for (ULONG i = 0; i < table->NumEntries; ++i)
        if (AdapterType(table->Table[i].Type) == LinkType::Ppp) links.push_back(FromRow(table->Table[i]));
    return links;
}

// By the GUID: a renamed adapter is the same adapter, and nothing but this one is asked.
std::optional<NetConnection> SystemConnections::Adapter(const std::string& id) {
    GUID guid{};
    if (FAILED(IIDFromString(win::Widen(id).c_str(), &guid))) return std::nullopt;
    NET_LUID luid{};
    if (ConvertInterfaceGuidToLuid(&guid, &luid) != NO_ERROR) return std::nullopt;
    MIB_IF_ROW2 row{};
    row.InterfaceLuid = luid;
    const DWORD rc = GetIfEntry2(&row);
    if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_NOT_FOUND) return std::nullopt;
    if (rc != NO_ERROR) Fail("无法查询网络适配器的状态", rc);
    return FromRow(row);
}

std::optional<NetConnection> SystemConnections::PhoneBookConnection(const std::string& name) {
    const RemoteAccess& ras = Ras();
    const std::wstring wide = win::Widen(name);
    for (const RASCONNW& connection : ActiveRasConnections(ras))
        if (SameName(connection.szEntryName, wide.c_str())) return FromRas(ras, connection);
    return std::nullopt;
}

}  // namespace kelo::app
