// Track information from media players: a private session bus with two
// fake MPRIS players, one paused and one playing.
#include <gtest/gtest.h>

#ifdef ZTX_HAVE_DBUS
#include <dbus/dbus.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "listen/media_players.h"
#include "platform/files.h"
#include "tests/test_support.h"

namespace ztx::listen {
namespace {

void AppendVariant(DBusMessageIter& it, const char* signature, int type, const void* value) {
    DBusMessageIter var;
    dbus_message_iter_open_container(&it, DBUS_TYPE_VARIANT, signature, &var);
    dbus_message_iter_append_basic(&var, type, value);
    dbus_message_iter_close_container(&it, &var);
}

// A fake player on its own connection, answering Properties.Get on a thread.
class FakePlayer {
public:
    FakePlayer(const std::string& address, const char* name, const char* title) : title_(title) {
        bus_ = dbus_connection_open_private(address.c_str(), nullptr);
        if (!bus_ || !dbus_bus_register(bus_, nullptr)) return;
        dbus_bus_request_name(bus_, name, DBUS_NAME_FLAG_DO_NOT_QUEUE, nullptr);
        serving_ = std::thread([this] { Serve(); });
    }
    ~FakePlayer() {
        stop_ = true;
        if (serving_.joinable()) serving_.join();
        if (bus_) {
            dbus_connection_close(bus_);
            dbus_connection_unref(bus_);
        }
    }
    std::atomic<const char*> status{"Playing"};

private:
    void Serve() {
        while (!stop_ && dbus_connection_read_write(bus_, 20)) {
            while (DBusMessage* call = dbus_connection_pop_message(bus_)) {
                const char *iface = nullptr, *property = nullptr;
                if (dbus_message_is_method_call(call, "org.freedesktop.DBus.Properties", "Get") &&
                    dbus_message_get_args(call, nullptr, DBUS_TYPE_STRING, &iface, DBUS_TYPE_STRING, &property,
                                          DBUS_TYPE_INVALID)) {
                    DBusMessage* reply = dbus_message_new_method_return(call);
                    Answer(reply, property);
                    dbus_connection_send(bus_, reply, nullptr);
                    dbus_message_unref(reply);
                }
                dbus_message_unref(call);
            }
        }
    }
    void Answer(DBusMessage* reply, const std::string& property) {
        DBusMessageIter it, var, map;
        dbus_message_iter_init_append(reply, &it);
        if (property == "PlaybackStatus") {
            const char* s = status.load();
            AppendVariant(it, "s", DBUS_TYPE_STRING, &s);
            return;
        }
        dbus_message_iter_open_container(&it, DBUS_TYPE_VARIANT, "a{sv}", &var);
        dbus_message_iter_open_container(&var, DBUS_TYPE_ARRAY, "{sv}", &map);
        const auto entry = [&](const char* key, auto&& value) {
            DBusMessageIter e;
            dbus_message_iter_open_container(&map, DBUS_TYPE_DICT_ENTRY, nullptr, &e);
            dbus_message_iter_append_basic(&e, DBUS_TYPE_STRING, &key);
            value(e);
            dbus_message_iter_close_container(&map, &e);
        };
        const int64_t length = 180000000;
        entry("mpris:length", [&](DBusMessageIter& e) { AppendVariant(e, "x", DBUS_TYPE_INT64, &length); });
        entry("xesam:title", [&](DBusMessageIter& e) { AppendVariant(e, "s", DBUS_TYPE_STRING, &title_); });
        entry("xesam:artist", [&](DBusMessageIter& e) {
            DBusMessageIter v, list;
            dbus_message_iter_open_container(&e, DBUS_TYPE_VARIANT, "as", &v);
            dbus_message_iter_open_container(&v, DBUS_TYPE_ARRAY, "s", &list);
            for (const char* a : {"First Artist", "Second"}) dbus_message_iter_append_basic(&list, DBUS_TYPE_STRING, &a);
            dbus_message_iter_close_container(&v, &list);
            dbus_message_iter_close_container(&e, &v);
        });
        const char* album = "The Album";
        entry("xesam:album", [&](DBusMessageIter& e) { AppendVariant(e, "s", DBUS_TYPE_STRING, &album); });
        dbus_message_iter_close_container(&var, &map);
        dbus_message_iter_close_container(&it, &var);
    }
    const char* title_;
    DBusConnection* bus_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread serving_;
};

TEST(ListenMediaPlayers, ReportsTheTrackOfThePlayerThatPlays) {
    const std::string socket = ztx_test::g_tempRoot + "/bus";
    const std::string address = "unix:path=" + socket;
    const pid_t daemon = fork();
    if (daemon == 0) {
        if (!freopen("/dev/null", "w", stderr)) _exit(126);
        execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile", ("--address=" + address).c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int waited = 0; waited < 5000 && !FileExists(socket) && waitpid(daemon, nullptr, WNOHANG) == 0; waited += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!FileExists(socket)) GTEST_SKIP() << "no private session bus (dbus-daemon) could be started";

    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    {
        FakePlayer paused(address, "org.mpris.MediaPlayer2.paused", "Not this one");
        paused.status = "Paused";
        FakePlayer playing(address, "org.mpris.MediaPlayer2.playing", "T\xC3\xAFtle");
        std::unique_ptr<MediaPlayers> players = MediaPlayers::Connect();
        ASSERT_NE(players, nullptr);
        const TrackInfo info = players->Playing();
        EXPECT_EQ(info.title, "T\xC3\xAFtle");
        EXPECT_EQ(info.artist, "First Artist, Second");
        EXPECT_EQ(info.album, "The Album");
        playing.status = "Stopped";
        EXPECT_EQ(players->Playing().title, "");
    }
    kill(daemon, SIGTERM);
    waitpid(daemon, nullptr, 0);
    // Without a bus there is nothing to connect to, and no bus is started.
    setenv("DBUS_SESSION_BUS_ADDRESS", "", 1);
    setenv("XDG_RUNTIME_DIR", ztx_test::g_tempRoot.c_str(), 1);
    EXPECT_EQ(MediaPlayers::Connect(), nullptr);
}

}  // namespace
}  // namespace ztx::listen
#endif
