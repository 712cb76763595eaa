#include "tools/catalog/CatalogTable.h"

#include "engine/storage/RidovSession.h"
#include "engine/storage/ValueBuffer.h"
#include "engine/storage/ValueSlot.h"
#include "tools/catalog/CatalogGenerator.h"

namespace catalog {

void AddCatalogFields(ridov::TRidovCursor& store) {
    for (const CatalogColumn& c : kCatalogColumns) {
        store.AddField(std::string(c.name), c.type, c.size);
    }
}

bool PostCatalogRow(ridov::TRidovCursor& store, const CatalogRow& row, std::string& message) {
    // The buffer's texts are heap copies that PostRecord copies again; they
    // are freed with the buffer.
    ridov::ValueBuffer buffer(store.Layout());
    uint8_t* values = buffer.Data();
    auto slotOf = [&](int index) -> std::pair<uint8_t*, const ridov::TRidovField*> {
        const ridov::TRidovField* f = store.FieldAt(index);
        return {values + f->offset, f};
    };
    auto setText = [&](int index, std::string_view text) {
        auto [s, f] = slotOf(index);
        store.TextToValue(s, text, *f);
    };
    setText(0, row.id);
    setText(1, row.artikul);
    ridov::slot::Store<int32_t>(slotOf(2).first, row.idBrend);
    setText(3, row.name);
    ridov::slot::Store<double>(slotOf(4).first, row.Cena());
    setText(5, row.nalichie);
    ridov::slot::Store<int32_t>(slotOf(6).first, row.kolUpak);
    setText(7, row.brend);
    ridov::slot::Store<int16_t>(slotOf(8).first, row.izmCena);
    setText(9, row.artikul0);
    setText(10, row.edIzm);
    return store.PostRecord(values, nullptr, message);
}

void FillCatalog(ridov::TRidovCursor& store, uint64_t seed, size_t count) {
    AddCatalogFields(store);
    CatalogGenerator generator(seed, count);
    CatalogRow row;
    std::string message;
    while (generator.Next(row)) {
        // A new record with a matching buffer cannot be refused.
        (void)PostCatalogRow(store, row, message);
    }
    store.CommitAll();
}

std::vector<uint8_t> CatalogImage(uint64_t seed, size_t count, std::string_view password) {
    ridov::TRidovCursor store(ridov::TRidovSession::Instance());
    FillCatalog(store, seed, count);
    store.SetPassword(std::string(password));
    std::vector<uint8_t> image;
    image.reserve(store.ImageSizeEstimate());
    store.WriteImage(image);
    return image;
}

}  // namespace catalog
