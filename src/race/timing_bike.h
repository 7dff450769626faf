// Timing for the simulation's bikes: reads a slot's front wheel position from
// its bike and runs the crossing search, keeping the bike's own flags (down,
// finished) in step with the timing record. Main thread only.
#pragma once

// Once per tick per slot (the game tick's slot loop). Nothing for an empty slot.
void timing_update_bike(int slot);
// Marks every slot holding a bike as taking part in the standings, and every
// empty slot as not (race set-up, before the first standings rebuild).
void timing_sync_present();
