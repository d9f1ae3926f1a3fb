#pragma once

class TContraptionFactory;

// Registers the maker of every contraption type, in the order of the
// patcher's "New" menu. Called once at start-up, before any contraption is
// made; static objects in different files have no order of construction,
// so the order is written out here.
void RegisterContraptionMakers(TContraptionFactory& factory);
