#pragma once

// The compressor's per-sample gain step: stereo-linked detector, 3:1 ratio above a
// threshold with a 12 dB soft knee, and ballistics whose rates follow the threshold (the
// deeper the threshold, the faster the gain may move). Pure functions; the caller keeps
// the gain and the threshold smoother. Safe on the audio thread.
//
// Units: gains are linear factors, levels and thresholds in decibels, fs in Hz.

// Level of the louder channel in dB, as the detector reads it. The detector keeps no memory;
// below about -57.7 dBFS at 48 kHz it reads the level higher than it is.
double CompressorLevelDb(double inL, double inR, double fs);

// Static curve: the gain (linear, at most 1) asked for at level levelDb with threshold
// thresholdDb.
double CompressorTargetGain(double levelDb, double thresholdDb);

// One sample: returns the new gain from the current gain, the input-stage outputs inL and
// inR, peakIn = max(|xR|, |xL|) of the raw input samples (sets the release time in ms) and
// thresholdDb, the already-advanced threshold smoother (0 or negative).
// Attack: the gain falls by at most exp(T / 10 ms / 8.656) per sample; release: it rises by
// at most the inverse of exp(T / peakIn ms / 8.656). With silent input (peakIn = 0) the
// gain jumps straight to the target.
double CompressorGain(double gain, double inL, double inR, double peakIn, double thresholdDb,
                      double fs);
