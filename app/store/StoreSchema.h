// The tables and indexes of a keyboard store file and the default configuration rows
// written when a store is first populated.
#pragma once

#include <span>

namespace KeyForge {

/// The statements that create a new store file, in the order they run.
std::span<const char* const> StoreSchemaStatements();

/// One default configuration row of t_configdata.
struct DefaultConfigRow {
    const char* key;
    const char* value;
};

/// The default configuration rows, in the order they are written.
std::span<const DefaultConfigRow> DefaultConfigRows();

}  // namespace KeyForge
