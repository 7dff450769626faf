#include "net/session.h"

// Not connected: there is no client session yet.
bool net_session_active() { return false; }
bool net_server_has_tick() { return false; }
int32_t net_server_tick() { return 0; }
bool net_player_placed() { return true; }
void net_session_step() {}
void net_disconnect() {}
