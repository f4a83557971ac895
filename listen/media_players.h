// What is playing, from the desktop's media players: each one that follows
// the MPRIS convention owns a session-bus name starting with
// "org.mpris.MediaPlayer2." and reports its playback status and the title,
// artists and album of its track. A thin layer over libdbus: one private
// connection, plain method calls with a short time-out, no main loop.
#pragma once
#include <memory>

#include "listen/link.h"

struct DBusConnection;

namespace ztx::listen {

class MediaPlayers {
public:
    // Connects to the session bus (DBUS_SESSION_BUS_ADDRESS, else the bus
    // socket in XDG_RUNTIME_DIR; never starts a bus). Null when there is none.
    static std::unique_ptr<MediaPlayers> Connect();
    ~MediaPlayers();
    MediaPlayers(const MediaPlayers&) = delete;
    MediaPlayers& operator=(const MediaPlayers&) = delete;

    // The track of the first player that is playing; empty when none is.
    TrackInfo Playing();
    // False once the bus has gone away.
    bool Connected() const;

private:
    explicit MediaPlayers(DBusConnection* bus) : bus_(bus) {}
    DBusConnection* bus_;
};

}  // namespace ztx::listen
