// The multiplayer client session as the main loop sees it.
#pragma once
#include <cstdint>

bool net_session_active();
bool net_server_has_tick();
int32_t net_server_tick();
bool net_player_placed();
void net_session_step();
// Sends the disconnect message and resets the session (shutdown).
void net_disconnect();

// The game tick's network steps for remote bikes.
void net_update_remote_bikes();
void net_save_remote_velocities();
void net_restore_remote_velocities();
