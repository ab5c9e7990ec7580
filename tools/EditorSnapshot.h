#pragma once
#include <string>

class KORU;
class LICE_IBitmap;

// KORU's editor drawn off screen, through the real editor core and controls, for chosen
// parameter values and meter positions, and written as a PNG file. Single-threaded: the
// caller's thread is the editor's user-interface thread.

// Sets the parameter whose name is name ("Compressor 1", as the host lists it) to a plain
// value (limited to its range), as a restored state does: the record, the effect and the
// editor's controls follow. False when no parameter has that name.
bool SetSnapshotParam(KORU& koru, const std::string& name, double plain);
// Puts the gain-reduction and VU meters at values (0..1, the meters' own scale).
void SetSnapshotMeters(KORU& koru, double gainReduction, double vu);
// Draws the whole editor into its surface and answers the surface (owned by the editor).
LICE_IBitmap* RenderEditor(KORU& koru);
// Writes the bitmap's colours as an 8-bit RGB PNG file. False with error set on failure.
bool WritePngFile(LICE_IBitmap& bitmap, const std::string& path, std::string& error);
