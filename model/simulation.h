#ifndef KGW_SIMULATION_H
#define KGW_SIMULATION_H

#include "ground.h"
#include "line.h"
#include "mesh.h"
#include "progress.h"
#include "surveymodel.h"

#include <QString>
#include <QVector>

namespace Kgw {

// What the instrument reads, and how sure the reading is, and the noise a synthetic survey adds.
struct SimulationOptions {
    double currentAmperes = DefaultCurrentAmperes;
    // The error each reading is given, as a check counts it: relativeError + floor / |V|.
    NoiseModel noise;
    double floorVolts
        = NoiseModel::DefaultFloorPerMetre * DefaultResistivityOhmMetres * DefaultCurrentAmperes;
    // Gaussian noise added to each reading: a share of it, and volts regardless of it; none by
    // default. The same seed gives the same noise.
    double noiseShare = 0;
    double noiseFloorVolts = 0;
    quint32 seed = 1;
    MeshOptions mesh;
};

// A survey over a ground, row by row: r the transfer resistance in ohm (noise added), rhoa = K r
// in ohm m, err the relative error, u the voltage in volts at the current.
struct Simulation {
    QString error; // why nothing could be simulated; empty when it could
    QVector<double> factor;
    QVector<double> r;
    QVector<double> rhoa;
    QVector<double> err;
    QVector<double> u;
    int cells = 0; // of the mesh the ground was modelled on
};

// The rows (positions 1..electrodes, 0 a remote electrode, every row measurable) over the ground,
// with the electrodes on a flat surface at x = (i - 1) × spacing. `progress` gets 0..1.
Simulation simulate(const Ground &ground, const QVector<LineQuadruple> &rows, int electrodes,
    double spacingMetres, const SimulationOptions &options,
    const ProgressFunction &progress = ProgressFunction());

// "voltage: 5.4 to 1592 mV at 100 mA": the least and the greatest |u| of the readings, in volts,
// at the current the instrument injects.
QString voltageRangeText(const QVector<double> &volts, double currentMilliamperes);

// The resistivity of every cell of the mesh, as the ground paints it, in the mesh's order.
Eigen::VectorXd cellResistivities(const Ground &ground, const Mesh &mesh);

} // namespace Kgw

#endif
