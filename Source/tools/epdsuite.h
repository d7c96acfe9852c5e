// EPD test suites: the runner started by -anepd.
#pragma once

// Searches every position of the file named by PBlock's tool file argument.
void Analyze_EPD_File();
