#ifndef KGW_FORWARDBENCH_H
#define KGW_FORWARDBENCH_H

#include <QString>

// The forward model of a real ground: its accuracy against closed forms, its speed and memory.

// The child process of a measurement on a line of that many electrodes.
int measureForward(int electrodes);
// Prints `a b m n r` of every row of the list over one of the yardstick's grounds (block,
// two-blocks, dipping), r in ohm for a unit current, and the time to standard error.
int simulateYardstick(const QString &ground, const QString &listPath);
// Prints the mesh's cell count, every cell's centre (x z) and the Jacobian of the list's rows
// over that ground, a row of ∂ln r/∂ln ρ per line.
int yardstickJacobian(const QString &ground, const QString &listPath);
// Prints the figures against the goals; false when one is missed.
bool reportForward();

#endif
