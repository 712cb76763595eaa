// A data link that records the row-level notifications a dataset sends, and
// checks each against the dataset the way a grid model depends on it: the
// row count it has heard of must match the dataset's before every "about
// to" call and after every completed one, and a moved row must carry the
// same record to its new place.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/dataset/DataSet.h"
#include "engine/dataset/DataSource.h"

namespace ridov::testing {

class ViewRecorder : public DataLink {
  public:
    // `keyField` names the field whose text identifies a moved record.
    ViewRecorder(DataSet& ds, std::string keyField) : ds_(ds), keyField_(std::move(keyField)) {
        source_.SetDataSet(&ds);
        SetDataSource(&source_);
        rows_ = ds.RowCount();
        log_.clear();
    }

    ~ViewRecorder() override { SetDataSource(nullptr); }

    // The notifications since the last call, joined by "; ".
    std::string Take() {
        std::string out;
        for (const std::string& e : log_) out += (out.empty() ? "" : "; ") + e;
        log_.clear();
        return out;
    }
    DataSource& Source() { return source_; }

  protected:
    void ViewAboutToReset() override {
        EXPECT_FALSE(resetting_) << "nested reset";
        resetting_ = true;
        log_.push_back("reset?");
    }
    void ViewReset() override {
        resetting_ = false;
        rows_ = ds_.RowCount();
        log_.push_back("reset");
    }
    void RowChanged(int row) override {
        CheckQuiet();
        EXPECT_TRUE(row >= 0 && row < rows_) << "changed " << row << " of " << rows_;
        log_.push_back("changed " + std::to_string(row));
    }
    void RowsAboutToBeInserted(int first, int last) override {
        CheckQuiet();
        EXPECT_EQ(ds_.RowCount(), rows_);
        EXPECT_TRUE(first >= 0 && first <= rows_ && last == first);
        log_.push_back("insert? " + std::to_string(first));
    }
    void RowsInserted(int first, int last) override {
        rows_ += last - first + 1;
        EXPECT_EQ(ds_.RowCount(), rows_);
        log_.push_back("inserted " + std::to_string(first));
    }
    void RowsAboutToBeRemoved(int first, int last) override {
        CheckQuiet();
        EXPECT_EQ(ds_.RowCount(), rows_);
        EXPECT_TRUE(first >= 0 && last == first && last < rows_);
        log_.push_back("remove? " + std::to_string(first));
    }
    void RowsRemoved(int first, int last) override {
        rows_ -= last - first + 1;
        EXPECT_EQ(ds_.RowCount(), rows_);
        log_.push_back("removed " + std::to_string(first));
    }
    void RowAboutToBeMoved(int from, int to) override {
        CheckQuiet();
        EXPECT_TRUE(from >= 0 && from < rows_ && to >= 0 && to < rows_ && from != to);
        moving_ = Key(from);
        log_.push_back("move? " + std::to_string(from) + ">" + std::to_string(to));
    }
    void RowMoved(int from, int to) override {
        EXPECT_EQ(Key(to), moving_) << "the moved row carries another record";
        EXPECT_EQ(ds_.RowCount(), rows_);
        log_.push_back("moved " + std::to_string(from) + ">" + std::to_string(to));
    }
    void CurrentRowChanged(int row) override {
        CheckQuiet();
        EXPECT_EQ(row, ds_.CurrentRow());
        EXPECT_TRUE(row >= -1 && row < rows_) << "current " << row << " of " << rows_;
        log_.push_back("current " + std::to_string(row));
    }
    void StateChanged(DataSetState state) override {
        static const char* const kNames[] = {"Inactive", "Browse",      "Edit",   "Insert",
                                             "SetKey",   "CalcFields",  "Filter", "NewValue",
                                             "OldValue", "InternalCalc"};
        log_.push_back(std::string("state ") + kNames[static_cast<int>(state)]);
    }

  private:
    void CheckQuiet() const { EXPECT_FALSE(resetting_) << "row notification inside a reset"; }
    std::string Key(int row) const {
        std::string text;
        Field* f = ds_.FindField(keyField_);
        if (f) ds_.ReadCellText(row, *f, text);
        return text;
    }

    DataSet& ds_;
    std::string keyField_;
    DataSource source_;
    std::vector<std::string> log_;
    int rows_ = 0;
    bool resetting_ = false;
    std::string moving_;
};

}  // namespace ridov::testing
