#include "framework/contraption_maker.h"

#include "framework/contraption_factory.h"

#include <algorithm>
#include <iterator>

TContraptionMaker::TContraptionMaker(TContraptionFactory& factory, const char* typeName,
                                     const char* category, bool singleInstance)
    : factory(&factory), typeName(typeName), category(category), singleInstance(singleInstance) {
    factory.makers.push_back(this);
}

TContraptionMaker::~TContraptionMaker() {
    std::erase(factory->makers, this);
}

TContraptionWindow* TContraptionMaker::CreateForm(TQuorlingContraption& contraption) {
    if (!formCreator)
        return nullptr;
    TContraptionWindow* form = formCreator(contraption);
    if (form != nullptr)
        form->RefreshControls();
    return form;
}

int TContraptionMaker::NameNumber(std::string_view name) {
    size_t digits = 0;
    while (digits < 9 && digits < name.size() && name[name.size() - 1 - digits] >= '0' &&
           name[name.size() - 1 - digits] <= '9')
        ++digits;
    const size_t start = name.size() - digits;
    if (digits == 0 || start == 0 || name[start - 1] != '_')
        return -1;
    int k = 0;
    for (size_t i = start; i < name.size(); ++i)
        k = k * 10 + (name[i] - '0');
    return k;
}

void TContraptionMaker::NameContraption(TQuorlingContraption& contraption,
                                        const std::string& given) {
    if (singleInstance) {
        instance = &contraption;
        contraption.name = given.empty() ? std::string(typeName) : given;
    } else if (given.empty()) {
        // The lowest free number; a name that is somehow in use already (a
        // document holding a number twice, one of which was released) is
        // skipped too, so made-up names stay unique. Beyond the tracked
        // numbers, names are still made up, just not tracked.
        for (int k = 1;; ++k) {
            if (IsNumberUsed(k))
                continue;
            std::string candidate = std::string(typeName) + "_" + std::to_string(k);
            if (factory->FindContraption(candidate) != nullptr)
                continue;
            if (k <= NumberCount)
                usedNumbers.set(static_cast<size_t>(k - 1));
            contraption.name = std::move(candidate);
            break;
        }
    } else {
        contraption.name = given;
        const int k = NameNumber(given);
        if (k >= 1 && k <= NumberCount)
            usedNumbers.set(static_cast<size_t>(k - 1));
    }
    factory->contraptions.push_back(&contraption);
}

void TContraptionMaker::ReleaseName(TQuorlingContraption& contraption) {
    if (singleInstance) {
        if (instance == &contraption)
            instance = nullptr;
    } else if (!contraption.name.empty()) {
        const int k = NameNumber(contraption.name);
        if (k >= 1 && k <= NumberCount)
            usedNumbers.reset(static_cast<size_t>(k - 1));
    }
    // Patches are emptied last first: from the back, each is found at once.
    auto& all = factory->contraptions;
    if (auto it = std::find(all.rbegin(), all.rend(), &contraption); it != all.rend())
        all.erase(std::next(it).base());
}
