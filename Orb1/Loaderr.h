// Texts for the load error codes below 32 of a program or library load.
#pragma once

// Null for codes of 32 and above.
const char* GetLoadErrorString(unsigned code);
