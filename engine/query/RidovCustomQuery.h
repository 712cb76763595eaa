// TRidovCustomQuery: a dataset that carries an SQL statement and its
// parameters. TRidovQuery (RidovQuery.h) adds the execution.
//
// SQL lines are joined with CR LF. Changing them closes the query,
// unprepares it and reads the parameters again: each ":Name" outside
// quoted text becomes "?" in the prepared text, and the parameter list
// follows the names in order, keeping the values of parameters that
// existed before under the same name. While a form is being loaded
// (SetLoading) the parameter list stays as loaded and only the prepared
// text is computed.
//
// Thread safety: single-threaded (the GUI thread).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/dataset/Params.h"
#include "engine/dataset/RidovDataset.h"

namespace ridov {

class TRidovCustomQuery : public TRidovDataset {
  public:
    TRidovCustomQuery();
    ~TRidovCustomQuery() override;

    const std::vector<std::string>& SQL() const { return sql_; }
    // A different text closes and unprepares the query first.
    void SetSQL(std::vector<std::string> lines);
    // The same from one text split at line breaks.
    void SetSQLText(std::string_view text);
    std::string SQLText() const;

    Params& GetParams() { return params_; }
    const Params& GetParams() const { return params_; }
    // Copies the values (and types) of `params` into the parameters of the
    // same names.
    void SetParams(const Params& params);
    // Raises "Parameter '%s' not found".
    Param& ParamByName(std::string_view name);

    // The statement with "?" for every parameter.
    const std::string& PreparedText() const { return preparedText_; }
    bool Prepared() const { return prepared_; }
    virtual void Prepare();
    virtual void Unprepare();

    void SetLoading(bool loading);

  protected:
    // The prepared text with every parameter's value put in (CR LF between
    // lines, cut at a NUL). Raises "SQL statement is empty" without lines.
    std::string SubstitutedText() const;
    // Compiles the substituted statement; called by Prepare.
    virtual void Compile(const std::string& statement) = 0;
    // Releases what Compile and the execution hold.
    virtual void Release() {}

  private:
    void ReadParams();

    std::vector<std::string> sql_;
    Params params_;
    // The parameter name of each "?" of the prepared text, in order.
    std::vector<std::string> names_;
    std::string preparedText_;
    bool prepared_ = false;
    bool loading_ = false;
};

}  // namespace ridov
