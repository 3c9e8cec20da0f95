#include "data/CSuppressColumn.h"

// Out of line: hosts link against these operations of the exported class.

CSuppressColumn::CSuppressColumn() : m_bAutoValue(false) {}

CSuppressColumn::CSuppressColumn(const QString &column, bool autoValue)
    : m_strColumn(column), m_bAutoValue(autoValue)
{}

CSuppressColumn::CSuppressColumn(const CSuppressColumn &other) = default;

CSuppressColumn &CSuppressColumn::operator=(const CSuppressColumn &other) = default;

CSuppressColumn::~CSuppressColumn() = default;
