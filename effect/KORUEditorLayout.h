#pragma once
#include "effect/KORUParams.h"

// The editor's pictures and controls, in creation order (the order of the editor's control
// list). Every filmstrip stacks its frames top to bottom; a control covers one frame at its
// position. The resource ids are those of resources/KORU.rc.
constexpr int kKORUEditorWidth = 150;
constexpr int kKORUEditorHeight = 550;
constexpr int kKORUEditorFrameRate = 25;

struct KORUControlRow
{
  enum EKind
  {
    kBackground, // the picture under everything, copied as it is
    kKnob,       // vertical drag, gearing kKORUKnobGearing
    kSwitch,
    kMeter // fed by the signal chain, no parameter
  };

  EKind kind;
  int resourceId;
  const char* fileName;
  int frames;
  int x, y;
  int paramIdx; // -1: none
};

constexpr double kKORUKnobGearing = 4.0;
constexpr int kKORUNoParam = -1;

inline constexpr KORUControlRow kKORUEditorLayout[] = {
    {KORUControlRow::kBackground, 101, "resources/img/BG.png", 1, 0, 0, kKORUNoParam},
    {KORUControlRow::kKnob, 107, "resources/img/IN.png", 61, 14, 496, kInputGain},
    {KORUControlRow::kKnob, 112, "resources/img/OUT.png", 61, 91, 496, kOutputGain},
    {KORUControlRow::kKnob, 106, "resources/img/HG.png", 61, 47, 285, kHighGain},
    {KORUControlRow::kKnob, 108, "resources/img/LG.png", 61, 46, 206, kLowGain},
    {KORUControlRow::kKnob, 111, "resources/img/MG.png", 61, 47, 51, kMidGain},
    {KORUControlRow::kKnob, 110, "resources/img/MF.png", 61, 47, 128, kMidFrequency},
    {KORUControlRow::kKnob, 102, "resources/img/COMP.png", 61, 47, 419, kCompressor},
    {KORUControlRow::kSwitch, 104, "resources/img/EQBY.png", 2, 5, 336, kEQBypass},
    {KORUControlRow::kSwitch, 103, "resources/img/COMPBY.png", 2, 4, 459, kCompressorBypass},
    {KORUControlRow::kMeter, 105, "resources/img/GR.png", 121, 14, 367, kKORUNoParam},
    {KORUControlRow::kMeter, 113, "resources/img/VU.png", 121, 3, 0, kKORUNoParam},
};
constexpr int kKORUEditorControls = sizeof(kKORUEditorLayout) / sizeof(kKORUEditorLayout[0]);
