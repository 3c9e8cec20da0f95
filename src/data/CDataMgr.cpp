#include "data/CDataMgr.h"

CDataMgr::~CDataMgr() = default;
