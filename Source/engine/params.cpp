#include "engine/params.h"

PersonalityRecord Personality;
PersonalityRecord DefaultPersonality;
ProgramBlock PBlock;
