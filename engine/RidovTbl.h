// The storage and dataset layers of the table engine in one include: record
// store, database and session, datasets, the table component, BLOB streams
// and new-record defaults. It spans layers, so it lives above them and
// needs the whole engine (zv_engine).
#pragma once

#include "engine/dataset/DataSet.h"
#include "engine/dataset/DataSource.h"
#include "engine/dataset/Field.h"
#include "engine/dataset/FieldDef.h"
#include "engine/dataset/NewRecordDefaults.h"
#include "engine/dataset/Params.h"
#include "engine/dataset/RidovBlobStream.h"
#include "engine/dataset/RidovDataset.h"
#include "engine/dataset/RidovTable.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovDatabase.h"
#include "engine/storage/RidovSession.h"
