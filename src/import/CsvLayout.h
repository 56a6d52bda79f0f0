#pragma once

#include "CsvImport.h"

#include <QStringList>

#include <vector>

// What a column of a login export holds. Labelled columns go into Notes under their label.
enum class Role {
    Title,
    User,
    Email,
    Password,
    Url,
    Notes,
    Type,
    CardOwner,
    CardBrand,
    CardNumber,
    CardMonth,
    CardYear,
    Labelled,
    Dropped
};

// How each column of a file is read, worked out from its header line.
struct Layout {
    ImportFormat format = ImportFormat::Auto;
    std::vector<Role> roles;
    QStringList labels;
    std::vector<int> fields; // Vantrel: index into accountFields(), -1 for Category, -2 ignored
};

// The format of the header (the one asked for, or the first that fits) and the reading of each
// column; a problem on line 1 when no format fits.
ImportProblem readHeader(const QStringList& header, ImportFormat wanted, Layout& layout);
