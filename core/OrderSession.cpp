#include "core/OrderSession.h"

#include "core/OrderFiles.h"
#include "core/WriteTarget.h"
#include "engine/dataset/RidovTable.h"
#include "engine/text/Win1251.h"

namespace core {

OrderSession::OrderSession(core::DataModule& dm) : dm_(dm) {
    ridov::TRidovQuery& q = dm_.qvZayavka;
    ridov::Field& sum = q.AddCalculatedField("SUM", ridov::DataType::Float);
    sum.displayFormat = "0.######";
    sum.SetDisplayLabel(text::Utf8ToCp1251("Сумма"));
    sum.SetDisplayWidth(10);
    q.onCalcFields = [](ridov::DataSet& view) {
        ridov::Field* sum = view.FindField("SUM");
        ridov::Field* price = view.FindField("CENA");
        ridov::Field* quantity = view.FindField("KOL");
        ridov::Field* name = view.FindField("NAME");
        if (sum == nullptr || price == nullptr || quantity == nullptr || name == nullptr) return;
        // A product missing from the catalog has no price, and so no sum.
        if (price->IsNull() || name->IsNull())
            sum->Clear();
        else
            sum->SetAsFloat(quantity->AsFloat() * price->AsFloat());
    };
}

std::string OrderSession::CatalogTablePath() const {
    return dm_.vtPrice.FullTableName();
}

std::string OrderSession::SettingsPath() const {
    return DataModule::EnginePath(dm_.SettingsFile);
}

int OrderSession::Find(const QString& path) const {
    for (int i = 0; i < Count(); ++i)
        if (At(i).path == path) return i;
    // The same file named otherwise: relative on the command line and
    // absolute from a later start, or through a link.
    const std::string file = core::DataModule::EnginePath(path);
    for (int i = 0; i < Count(); ++i)
        if (platform::IsSameFile(core::DataModule::EnginePath(At(i).path), file)) return i;
    return -1;
}

int OrderSession::Add(const QString& path) {
    orders_.push_back({path, 0, std::nullopt});
    active_ = Count() - 1;
    return active_;
}

void OrderSession::Remove(int index) {
    if (index < 0 || index >= Count()) return;
    orders_.erase(orders_.begin() + index);
    if (index < active_ || active_ >= Count()) --active_;
}

void OrderSession::Close(int index) {
    if (index < 0 || index >= Count()) return;
    dm_.qvZayavka.Close();
    const Order order = At(index);
    // An order without lines is not kept. An order whose refresh failed
    // has -1 lines: its (damaged) file stays; so does a file that holds
    // lines now, whatever was counted.
    if (order.lines == 0)
        DeleteEmptyOrderFile(core::DataModule::EnginePath(order.path), order.identity);
    const bool wasActive = index == active_;
    const bool wasLast = index == Count() - 1;
    orders_.erase(orders_.begin() + index);
    if (Count() == 0)
        active_ = -1;
    else if (wasActive && wasLast)
        active_ = 0;
    else if (index < active_)
        --active_;
}

void OrderSession::Refresh(const std::string& productId, const std::function<void()>& opened) {
    if (active_ < 0) return;
    Order& order = orders_[size_t(active_)];
    order.lines = -1;
    const std::string path = core::DataModule::EnginePath(order.path);
    ridov::TRidovQuery& q = dm_.qvZayavka;
    int recNo = -1;
    if (q.Active()) {
        recNo = q.RecNo();
        q.Close();
    }
    q.ParamByName("TblNm").SetAsString(CatalogTablePath());
    q.ParamByName("OrderTblNm").SetAsString(path);
    q.Open();
    // Taken first: a change after it makes the count stale.
    const std::optional<platform::FileIdentity> identity = platform::GetFileIdentity(path);
    order.lines = CountOrderLines(path);
    order.identity = identity;
    if (opened) opened();
    if (recNo != -1) {
        q.MoveBy(recNo - q.RecNo());
        if (!productId.empty() && q.FieldByName("ID").AsString() != productId)
            q.Locate("ID", ridov::Variant(productId), 0);
    } else if (!productId.empty()) {
        q.Locate("ID", ridov::Variant(productId), 0);
    }
}

QString OrderSession::NewOrder() {
    const std::string path =
        NewOrderFileName(core::DataModule::EnginePath(dm_.OrderDir), std::string("Zakaz"));
    NoteCut(CreateOrderFile(path, SettingsPath(), CatalogTablePath()));
    const QString order = core::DataModule::FromEnginePath(path);
    Add(order);
    return order;
}

void OrderSession::Stamp() {
    if (active_ < 0) return;
    NoteCut(StampOrderFile(core::DataModule::EnginePath(ActivePath()), SettingsPath(),
                           CatalogTablePath()));
}

void OrderSession::NoteCut(bool cut) {
    if (cut) requisitesCut_ = true;
}

bool OrderSession::TakeRequisitesCutNotice() {
    if (!requisitesCut_ || requisitesCutNoticed_) return false;
    requisitesCutNoticed_ = true;
    return true;
}

void OrderSession::SaveAs(const QString& path) {
    if (active_ < 0) return;
    CheckWriteTarget(core::DataModule::EnginePath(path));
    const int other = Find(path);
    {
        ridov::TRidovTable order;
        order.SetTableName(core::DataModule::EnginePath(ActivePath()));
        order.Open();
        order.SaveToFile(core::DataModule::EnginePath(path));
    }
    orders_[size_t(active_)].path = path;
    // That order showed the file just written: forget it, keep the file.
    if (other != -1 && other != active_) Remove(other);
}

void OrderSession::SaveChanges() {
    dm_.qvZayavka.SaveChanges();
    Stamp();
}

void OrderSession::StoreLine(const std::string& productId, int quantity) {
    ridov::TRidovQuery& q = dm_.qvZayavka;
    if (q.Locate("ID", ridov::Variant(productId), 0))
        q.Edit();
    else
        q.Insert();
    q.FieldByName("ID").SetAsString(productId);
    q.FieldByName("KOL").SetAsInteger(quantity);
    q.Post();
    SaveChanges();
}

void OrderSession::DeleteCurrentLine() {
    dm_.qvZayavka.Delete();
    SaveChanges();
}

}  // namespace core
