#pragma once

// Busses join several connections into one: the outlet carries the plain
// sum of every connected inlet, without gain, properties or window.

#include <memory>
#include <string>

#include "contraptions/mixing/own_outlet_inputs.h"
#include "framework/contraption.h"
#include "framework/contraption_engine.h"
#include "framework/contraption_maker.h"
#include "signal/pipe.h"
#include "signal/signal.h"

class ODMonoBuss : public MGSignalProcessor {
public:
    const int inletCount;
    MGSignal output;

    ODMonoBuss(MGDynSigContext* context, int inputs);
    void Process() override;

private:
    ODOwnOutletInputs<1> ownInputs{{&output}};
};

// Inlet 2k is the left and 2k + 1 the right channel of input k + 1; an
// input with one inlet connected is a mono source, sent to both sides.
class ODStereoBuss : public MGSignalProcessor {
public:
    const int inletCount;
    MGSignal left;
    MGSignal right;

    ODStereoBuss(MGDynSigContext* context, int inputs);
    void Process() override;

private:
    ODOwnOutletInputs<2> ownInputs{{&left, &right}};
};

// A buss is built straight into the engine's signal context (the other
// types join it when the caller attaches them). Adding a pipe with outlets
// leaves the processing order alone, so the running cycle is not touched.
template <class Buss, int Inputs> class TBussMaker : public TContraptionMaker {
public:
    TBussMaker(TContraptionFactory& factory, const char* typeName)
        : TContraptionMaker(factory, typeName, "Busses", false) {}

    std::unique_ptr<TQuorlingContraption> CreateContraption(TContraptionEngine* engine,
                                                            const std::string& name) override {
        MGDynSigContext* context = engine != nullptr ? &engine->Context() : nullptr;
        auto processor = std::make_unique<Buss>(context, Inputs);
        auto contraption =
            std::make_unique<TQuorlingContraption>(engine, this, processor.get(), name, true);
        processor.release();
        return contraption;
    }
};

#define OD_BUSS_MAKER(Maker, Buss, Inputs, TypeName)                                               \
    class Maker final : public TBussMaker<Buss, Inputs> {                                          \
    public:                                                                                        \
        explicit Maker(TContraptionFactory& factory) : TBussMaker(factory, TypeName) {}            \
    }

OD_BUSS_MAKER(TMonoBuss_2_Maker, ODMonoBuss, 2, "M2Buss");
OD_BUSS_MAKER(TMonoBuss_3_Maker, ODMonoBuss, 3, "M3Buss");
OD_BUSS_MAKER(TMonoBuss_4_Maker, ODMonoBuss, 4, "M4Buss");
OD_BUSS_MAKER(TMonoBuss_6_Maker, ODMonoBuss, 6, "M6Buss");
OD_BUSS_MAKER(TMonoBuss_8_Maker, ODMonoBuss, 8, "M8Buss");
OD_BUSS_MAKER(TMonoBuss_12_Maker, ODMonoBuss, 12, "M12Buss");
OD_BUSS_MAKER(TStereoBuss_2_Maker, ODStereoBuss, 2, "S2Buss");
OD_BUSS_MAKER(TStereoBuss_3_Maker, ODStereoBuss, 3, "S3Buss");
OD_BUSS_MAKER(TStereoBuss_4_Maker, ODStereoBuss, 4, "S4Buss");
OD_BUSS_MAKER(TStereoBuss_6_Maker, ODStereoBuss, 6, "S6Buss");
OD_BUSS_MAKER(TStereoBuss_8_Maker, ODStereoBuss, 8, "S8Buss");
OD_BUSS_MAKER(TStereoBuss_12_Maker, ODStereoBuss, 12, "S12Buss");

#undef OD_BUSS_MAKER
