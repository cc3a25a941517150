#pragma once

// Marks the host helper library's exported symbols; everything else is hidden.
#define KXCOMSERV_API __attribute__((visibility("default")))
