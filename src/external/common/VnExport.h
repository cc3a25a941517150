#pragma once

// Marks the common modelling library's exported symbols; everything else is hidden.
#define VNCOMMON_API __attribute__((visibility("default")))
