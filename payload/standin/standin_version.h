// The stand-in's version, read by both the resource script and the program.
#pragma once

#define ORVICAP_VERSION_NUMBERS 1, 0, 0, 0
#define ORVICAP_VERSION_TEXT "1.0.0.0"
