// Which instrument is served. The numbers are the ones kept with the settings.
#pragma once

namespace velmora {

enum class SynthModel : int
{
    Matrix6 = 0,
    Matrix1000 = 2,
};

constexpr const char* modelName(SynthModel model)
{
    return model == SynthModel::Matrix1000 ? "Matrix-1000" : "Matrix-6(R)";
}

} // namespace velmora
