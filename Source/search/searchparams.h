// Pruning margins and reduction tables derived from the parameter record.
#pragma once

void SetSearchParams();
