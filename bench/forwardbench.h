#ifndef KGW_FORWARDBENCH_H
#define KGW_FORWARDBENCH_H

// The forward model of a real ground: its accuracy against closed forms, its speed and memory.

// The child process of a measurement on a line of that many electrodes.
int measureForward(int electrodes);
// Prints the figures against the goals; false when one is missed.
bool reportForward();

#endif
