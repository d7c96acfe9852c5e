// Shared set-up of the evaluation tests: tables, compiled evaluation defaults.
#pragma once
#include "board/bitboard.h"
#include "engine/params.h"
#include "eval/weights.h"

// The compiled defaults of the evaluation fields of the parameter record.
inline void SetEvalDefaults() {
  PersonalityRecord& p = Personality;
  p.Contempt = 0;
  const int16_t pairs[][3] = {
      {169, 90, 110},  {171, 380, 360}, {173, 390, 370},  {175, 530, 630},  {177, 1180, 1180},
      {179, 32, 52},   {181, -6, -8},   {183, -4, -6},    {185, -4, -6},    {187, -6, -8},
      {189, 32, 32},   {191, 8, 8},     {193, 90, 135},   {201, 0, 40},     {203, 50, 60},
      {205, 16, 0},    {207, 60, 70},   {209, 16, 0},     {211, 52, 62},    {213, 16, 4},
      {215, 8, 0},     {217, 10, 15},   {219, -30, 0},    {221, 34, 78},    {223, 0, 10},
      {225, 68, 0},    {227, -11, 0},   {229, 100, 0},    {231, -12, -12},  {234, -20, -30},
      {236, -32, -42}, {238, 28, 6},    {240, 36, 46},    {242, 16, 18},    {244, 8, 0},
      {246, 16, 32},   {248, 32, 68},   {250, 100, 100},  {252, 100, 100},  {254, 100, 100},
      {256, 100, 100}};
  for (const auto& q : pairs) {
    p.f[q[0]] = q[1];
    p.f[q[0] + 1] = q[2];
  }
  PBlock.pst_mode = 1;
  SetEvalParams();
}
