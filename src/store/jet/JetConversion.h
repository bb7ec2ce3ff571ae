#pragma once

#include "store/BookConversion.h"

namespace Larkspan::JetImport {

// The conversion of Jet 3 and Jet 4 address books, with the reader program
// installed beside Larkspan; it also refuses, in words of its own, the newer
// ACE format and what is no file or cannot be read.
class JetConversion : public BookConversion
{
public:
    bool takes(FileFormat format) const override;
    Outcome<void> convert(const QString &path) override;
};

} // namespace Larkspan::JetImport
