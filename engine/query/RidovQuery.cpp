#include "engine/query/RidovQuery.h"

#include "engine/query/QueryCompiler.h"
#include "engine/query/QueryExecutor.h"
#include "engine/query/TableCache.h"
#include "engine/query/WriteBack.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovSession.h"

namespace ridov {

// ---- QueryDatasets ----

void TQueryDataset::SetAlias(const std::string& alias) {
    if (owner_ && owner_->QueryDatasets().AliasTaken(alias, this))
        throw DatabaseError("Duplicate alias name in collection", owner_);
    alias_ = alias;
}

void TQueryDataset::SetDataSet(TRidovDataset* dataSet, const std::string& componentName) {
    if (owner_ && dataSet == owner_)
        throw DatabaseError("Circular reference in datasets collection", owner_);
    dataSet_ = dataSet;
    componentName_ = componentName;
    if (alias_.empty() && dataSet_) SetAlias(componentName);
}

std::string TQueryDataset::DisplayName() const {
    if (dataSet_ == nullptr) return "(not defined)";
    return componentName_ + " (" + alias_ + ")";
}

TQueryDataset& TQueryDatasets::Add() {
    items_.push_back(std::make_unique<TQueryDataset>());
    items_.back()->owner_ = &owner_;
    return *items_.back();
}

bool TQueryDatasets::AliasTaken(const std::string& alias, const TQueryDataset* except) const {
    for (const auto& item : items_)
        if (item.get() != except && SameName(item->Alias(), alias)) return true;
    return false;
}

// ---- TRidovQuery ----

TRidovQuery::TRidovQuery() : datasets_(*this) {}

TRidovQuery::~TRidovQuery() {
    try {
        Close();
    } catch (...) {
    }
    plan_.reset();
}

QueryEnvironment TRidovQuery::Environment() const {
    QueryEnvironment env;
    env.session = session_;
    env.format = &Format();
    if (database_) env.databasePath = database_->DatabasePath();
    env.password = Password();
    env.origin = Origin();
    env.uniqueFieldNames = uniqueFieldNames;
    env.caseInsensitive = (FilterOptions() & foCaseInsensitive) != 0;
    env.saveOptions = saveOptions;
    env.sortDatasetTables = sortDatasetTables;
    for (int i = 0; i < datasets_.Count(); ++i) {
        const TQueryDataset& item = datasets_[i];
        TRidovDataset* ds = item.DataSet();
        env.datasets.push_back({item.Alias(), ds && ds->Active() ? ds->Cursor() : nullptr});
    }
    // The cache outlives any other session; stores it holds were read with
    // the process's one.
    if (useTableCache && session_ == &TRidovSession::Instance())
        env.cache = &TableCache::Instance();
    return env;
}

void TRidovQuery::Compile(const std::string& statement) {
    try {
        plan_ = std::make_unique<QueryPlan>(CompileQuery(statement, Environment()));
    } catch (const DatabaseError& e) {
        throw DatabaseError(e.what(), this);
    }
}

void TRidovQuery::Release() {
    plan_.reset();
}

void TRidovQuery::OpenData() {
    Prepare();
    try {
        ExecuteQuery(*plan_, Environment(), [this](std::vector<uint8_t> image) -> TRidovCursor& {
            LoadFromStream(std::move(image));
            return *Cursor();
        });
    } catch (const DatabaseError& e) {
        if (e.Component()) throw;
        throw DatabaseError(e.what(), this);
    }
}

void TRidovQuery::WriteData() {
    if (!plan_ || Cursor() == nullptr) return;
    try {
        WriteBack(*plan_, *Cursor(), Environment());
    } catch (const DatabaseError& e) {
        throw DatabaseError(e.what(), this);
    }
}

void TRidovQuery::InternalClose() {
    TRidovCustomQuery::InternalClose();
    Unprepare();
}

void TRidovQuery::InternalRefresh() {
    // Save first: unpreparing drops the origin table the edits go to.
    if (Modified()) SaveChanges();
    Unprepare();
    TRidovCustomQuery::InternalRefresh();
}

}  // namespace ridov
