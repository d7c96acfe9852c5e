// The registry of evaluation weights that the tuners may change: each entry
// binds a name to one live Personality field and carries a fractional
// working value.
#pragma once
#include <cstdint>

struct ParamRecord {
  char name[24];
  int16_t* field;
  double value;     // taken from the field at registration, moved by the tuners
  double gradient;  // last slope measured by the gradient tuner
  uint16_t selected;
};

constexpr int kMaxParams = 256;

extern ParamRecord ParamList[kMaxParams];
extern int nParams;
extern int flag;  // 1 once AddParams has registered the weights

void NewParam(const char* name, int16_t* field);
// Registers the 125 weights in their fixed order; does nothing when done.
void AddParams();
// The entry of that name, registering the weights first; null when unknown.
ParamRecord* FindParam(const char* name);
// Selects the first entry named exactly so; unknown names change nothing.
void SetFlag(const char* name);

// v rounded (halves away from zero) and held to the range of p's field.
int16_t BoundedValue(const ParamRecord& p, double v);
// Moves p's working value by step, within the range of its field.
void MoveValue(ParamRecord& p, double step);
