// Evaluation weights derived from the parameter record.
#pragma once

// Re-derives EvalParams from Personality; called after every change of it.
void SetEvalParams();
