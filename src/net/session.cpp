#include "net/session.h"

// Not connected: there is no client session yet.
bool net_session_active() { return false; }
bool net_server_has_tick() { return false; }
int32_t net_server_tick() { return 0; }
bool net_player_placed() { return true; }
void net_session_step() {}
void net_disconnect() {}
void net_update_remote_bikes() {}
void net_save_remote_velocities() {}
void net_restore_remote_velocities() {}
