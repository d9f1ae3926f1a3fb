#pragma once

// Attaches every contraption type's window to its maker.

class TContraptionFactory;

void RegisterContraptionForms(TContraptionFactory& factory);
