#pragma once
// The demo product's version and maker, shared by the programs' code and
// their resource scripts (so only preprocessor definitions live here).

#define VELMORA_VERSION_MAJOR 1
#define VELMORA_VERSION_MINOR 7
#define VELMORA_VERSION_TEXT "1.7"
#define VELMORA_COMPANY "Brenthaven Software"
#define VELMORA_COPYRIGHT "Copyright (C) Brenthaven Software"
