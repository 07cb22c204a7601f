// The table from device type to sensor model: one row per modelled family.
#include <new>

#include "sim/sim_ccd1628.h"
#include "sim/sim_cmos1280.h"
#include "sim/sim_icx205.h"
#include "sim/sim_mt9j001.h"
#include "sim/sim_mt9v032.h"
#include "sim/sim_mt9x001.h"
#include "sim/sim_sensor_model.h"

namespace qcx {

namespace {

struct SimSensorModelRow {
    bool (*fits)(std::uint8_t deviceType);
    std::unique_ptr<SimSensorModel> (*make)(std::uint8_t deviceType, std::uint16_t firmwareVersion);
};

template <typename Model>
std::unique_ptr<SimSensorModel> Make(std::uint8_t deviceType, std::uint16_t firmwareVersion) {
    return std::unique_ptr<SimSensorModel>(new (std::nothrow) Model(deviceType, firmwareVersion));
}

const SimSensorModelRow kModels[] = {
    {&SimMt9v032::Fits, &Make<SimMt9v032>},
    {&SimMt9x001::Fits, &Make<SimMt9x001>},  // MT9P001 and MT9T001
    {&SimMt9j001::Fits, &Make<SimMt9j001>},
    {&SimIcx205::Fits, &Make<SimIcx205>},
    {&SimCmos1280::Fits, &Make<SimCmos1280>},
    {&SimCcd1628::Fits, &Make<SimCcd1628>},
};

}  // namespace

std::unique_ptr<SimSensorModel> MakeSimSensorModel(std::uint8_t deviceType, std::uint16_t firmwareVersion) {
    for (const SimSensorModelRow& row : kModels)
        if (row.fits(deviceType)) return row.make(deviceType, firmwareVersion);
    return nullptr;
}

}  // namespace qcx
