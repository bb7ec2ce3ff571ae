#include "store/BookConversion.h"

namespace Larkspan {

namespace {

BookConversion *current = nullptr;

} // namespace

void BookConversion::install(BookConversion *conversion)
{
    current = conversion;
}

BookConversion *BookConversion::installed()
{
    return current;
}

} // namespace Larkspan
