#include "listen/media_players.h"

#include <dbus/dbus.h>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace ztx::listen {

namespace {

// A player that does not answer within this is skipped for one poll.
constexpr int kCallTimeoutMs = 250;
constexpr std::string_view kPlayerPrefix = "org.mpris.MediaPlayer2.";

struct Unref {
    void operator()(DBusMessage* m) const { dbus_message_unref(m); }
};
using Message = std::unique_ptr<DBusMessage, Unref>;

Message Call(DBusConnection* bus, const Message& call) {
    if (!call) return nullptr;
    DBusError err;
    dbus_error_init(&err);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, call.get(), kCallTimeoutMs, &err);
    dbus_error_free(&err);
    return Message(reply);
}

// The reply to org.freedesktop.DBus.Properties.Get of a player property.
Message GetPlayerProperty(DBusConnection* bus, const std::string& player, const char* property) {
    Message call(dbus_message_new_method_call(player.c_str(), "/org/mpris/MediaPlayer2",
                                              "org.freedesktop.DBus.Properties", "Get"));
    const char* iface = "org.mpris.MediaPlayer2.Player";
    if (call) dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &iface, DBUS_TYPE_STRING, &property, DBUS_TYPE_INVALID);
    return Call(bus, call);
}

// Steps into the variant a property reply carries.
bool EnterVariant(const Message& reply, DBusMessageIter& value) {
    DBusMessageIter it;
    if (!reply || !dbus_message_iter_init(reply.get(), &it) || dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_VARIANT)
        return false;
    dbus_message_iter_recurse(&it, &value);
    return true;
}

std::string StringAt(DBusMessageIter& it) {
    if (dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_STRING) return {};
    const char* s = nullptr;
    dbus_message_iter_get_basic(&it, &s);
    return s ? s : "";
}

// A string, or a list of strings joined with ", " (the artists).
std::string StringsAt(DBusMessageIter& it) {
    if (dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_ARRAY) return StringAt(it);
    std::string joined;
    DBusMessageIter item;
    for (dbus_message_iter_recurse(&it, &item); dbus_message_iter_get_arg_type(&item) != DBUS_TYPE_INVALID;
         dbus_message_iter_next(&item)) {
        const std::string s = StringAt(item);
        if (s.empty()) continue;
        if (!joined.empty()) joined += ", ";
        joined += s;
    }
    return joined;
}

std::vector<std::string> PlayerNames(DBusConnection* bus) {
    Message call(dbus_message_new_method_call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                              "ListNames"));
    const Message reply = Call(bus, call);
    std::vector<std::string> players;
    DBusMessageIter it, name;
    if (!reply || !dbus_message_iter_init(reply.get(), &it) || dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_ARRAY)
        return players;
    for (dbus_message_iter_recurse(&it, &name); dbus_message_iter_get_arg_type(&name) != DBUS_TYPE_INVALID;
         dbus_message_iter_next(&name)) {
        std::string s = StringAt(name);
        if (s.starts_with(kPlayerPrefix)) players.push_back(std::move(s));
    }
    return players;
}

TrackInfo Track(DBusConnection* bus, const std::string& player) {
    TrackInfo info;
    const Message reply = GetPlayerProperty(bus, player, "Metadata");
    DBusMessageIter map, entry;
    if (!EnterVariant(reply, map) || dbus_message_iter_get_arg_type(&map) != DBUS_TYPE_ARRAY) return info;
    for (dbus_message_iter_recurse(&map, &entry); dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_DICT_ENTRY;
         dbus_message_iter_next(&entry)) {
        DBusMessageIter field, value;
        dbus_message_iter_recurse(&entry, &field);
        const std::string key = StringAt(field);
        if (!dbus_message_iter_next(&field) || dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_VARIANT) continue;
        dbus_message_iter_recurse(&field, &value);
        if (key == "xesam:title") info.title = StringAt(value);
        if (key == "xesam:artist") info.artist = StringsAt(value);
        if (key == "xesam:album") info.album = StringAt(value);
    }
    return info;
}

}  // namespace

std::unique_ptr<MediaPlayers> MediaPlayers::Connect() {
    std::string address;
    if (const char* env = std::getenv("DBUS_SESSION_BUS_ADDRESS"); env && *env) {
        address = env;
    } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        if (FileExists(std::string(runtime) + "/bus")) address = "unix:path=" + std::string(runtime) + "/bus";
    }
    if (address.empty()) return nullptr;
    DBusError err;
    dbus_error_init(&err);
    DBusConnection* bus = dbus_connection_open_private(address.c_str(), &err);
    if (bus && !dbus_bus_register(bus, &err)) {
        dbus_connection_close(bus);
        dbus_connection_unref(bus);
        bus = nullptr;
    }
    dbus_error_free(&err);
    if (!bus) return nullptr;
    dbus_connection_set_exit_on_disconnect(bus, FALSE);
    return std::unique_ptr<MediaPlayers>(new MediaPlayers(bus));
}

MediaPlayers::~MediaPlayers() {
    dbus_connection_close(bus_);
    dbus_connection_unref(bus_);
}

bool MediaPlayers::Connected() const { return dbus_connection_get_is_connected(bus_); }

TrackInfo MediaPlayers::Playing() {
    for (const std::string& player : PlayerNames(bus_)) {
        DBusMessageIter status;
        if (EnterVariant(GetPlayerProperty(bus_, player, "PlaybackStatus"), status) && StringAt(status) == "Playing")
            return Track(bus_, player);
    }
    return {};
}

}  // namespace ztx::listen
