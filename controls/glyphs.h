#pragma once

// The program's button pictures, drawn rather than loaded: "PLAY",
// "PAUSE", "STOP", "RECORD", "REC_PAUSED" for the transports, and the
// toolbar's pictures ("NEW", "OPEN", "SAVE", "CUT", "COPY", "PASTE",
// "UNDO", "DACS", "ADCS"). Unknown names give an empty icon.

#include <QIcon>
#include <QString>

QIcon Glyph(const QString& name);
