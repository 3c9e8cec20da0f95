#include "data/RecordFilter.h"

// Out of line, so the interface's type information lives in the library
// once and a host's fake and the library agree on it.
RecordFilter::~RecordFilter() = default;
