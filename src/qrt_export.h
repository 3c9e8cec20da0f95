#ifndef QRT_EXPORT_H
#define QRT_EXPORT_H

#include <QtCore/qglobal.h>

// Everything a host links against carries QRT_EXPORT; the rest of the library
// stays hidden (the target builds with hidden visibility).
#if defined(QRT_BUILD_LIBRARY)
#define QRT_EXPORT Q_DECL_EXPORT
#else
#define QRT_EXPORT Q_DECL_IMPORT
#endif

// Internal classes that the tests reach directly: exported, but not part of
// the interface a host may rely on.
#define QRT_AUTOTEST_EXPORT QRT_EXPORT

#endif // QRT_EXPORT_H
