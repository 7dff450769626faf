// Roost emission: dirt thrown by a bike's wheels from their last contacts.
#pragma once

struct bike;

void roost_emit(bike *b, bool simulated_here);
