// Identifiers of the string table (resources/string_table.def).
#pragma once

#define STRING(name, id, text) constexpr unsigned name = id;
#include "string_table.def"
#undef STRING
