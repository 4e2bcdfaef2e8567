#include <gtest/gtest.h>

#include "app/NetConnections.h"
#include "core/Errors.h"

using namespace kelo;

// The machine's own adapters: the loopback is not offered, the list does not fail where
// the phone book is empty, and the check by GUID answers for a listed adapter as the list
// does (an unknown GUID is an adapter that does not exist).
TEST(SystemConnections, AdaptersAreListedWithoutTheLoopbackAndCheckedByTheirId) {
    app::SystemConnections system;
    for (const NetConnection& listed : system.List()) {
        for (const std::string& address : listed.ipv4) EXPECT_NE(address.rfind("127.", 0), 0u) << listed.name;
        if (listed.source != ConnectionSource::Adapter) continue;
        const auto checked = system.Adapter(listed.id);
        ASSERT_TRUE(checked) << listed.name << " " << listed.id;
        EXPECT_EQ(checked->name, listed.name);
        EXPECT_EQ(ConnectedAddress(*checked), ConnectedAddress(listed));
        EXPECT_EQ(IsConnected(*checked), IsConnected(listed));
    }
    EXPECT_FALSE(system.Adapter("{6B29FC40-CA47-1067-B31D-00DD010662DA}"));
    EXPECT_FALSE(system.Adapter("宽带连接"));
    EXPECT_NO_THROW(system.DialUpLinks());
    EXPECT_FALSE(system.PhoneBookConnection("宽带连接"));
}

// A system without the remote-access library: each phone-book query fails, again and again
// without a crash, and the adapters still answer.
TEST(SystemConnections, WithoutTheRemoteAccessLibraryOnlyThePhoneBookQueriesFail) {
    app::SystemConnections system(L"kelo-no-remote-access.dll");
    EXPECT_THROW(system.DialUpLinks(), KeloError);
    EXPECT_THROW(system.PhoneBookConnection("宽带连接"), KeloError);
    EXPECT_THROW(system.List(), KeloError);
    EXPECT_FALSE(system.Adapter("{6B29FC40-CA47-1067-B31D-00DD010662DA}"));
}
