#include "analysis/PropertyTable.h"

#include <cstddef>

#include "wavefunction/Wavefunction.h"

namespace {

const char* const kBasinNames[kBasinProperties] = {
    "RHO, electron density",
    "L, Laplacian of Rho",
    "KEG, Lagrangian kinetic energy density",
    "KEK, Hamiltonian kinetic energy density",
    "VIR, Virial Field Function",
    "EOA, Energy of atom",
    "I, Missing Information Function",
    "R(-1), Average value of Rho/r",
    "R1, Average value of Rho*r",
    "R2, Average value of Rho*(r^2)",
    "R4, Average value of Rho*(r^4)",
    "GR(-1), Average value of Grad(Rho)*(Vector R)/r",
    "GR0, Average value of Grad(Rho)*(Vector R)",
    "GR1, Average value of Grad(Rho)*(Vector R)*r",
    "GR2, Average value of Grad(Rho)*(Vector R)*(r^2)",
    "VNEO, Attraction of density A by nucleus A",
    "VNEOC, Attraction of density A by nucleus A (corr.)",
    "VNET, Attraction of density A by all nuclei",
    "VNETC, Attraction of density A by all nuclei (corr.)",
    "EHF, Hartree-Fock Energy",
    "VREPC, Potential energy of repulsion (corr.)",
    "VTOT, Total potential energy of atom",
    "ELX, Electric Dipole (x)",
    "ELY, Electric Dipole (y)",
    "ELZ, Electric Dipole (z)",
    "QXX, Atomic Quadrupole Moment Tensor (xx)",
    "QXY, Atomic Quadrupole Moment Tensor (xy)",
    "QXZ, Atomic Quadrupole Moment Tensor (xz)",
    "QYY, Atomic Quadrupole Moment Tensor (yy)",
    "QYZ, Atomic Quadrupole Moment Tensor (yz)",
    "QZZ, Atomic Quadrupole Moment Tensor (zz)",
    "FAXA, Force exerted on nucleus A by density of A (x)",
    "FAYA, Force exerted on nucleus A by density of A (y)",
    "FAZA, Force exerted on nucleus A by density of A (z)",
    "FBXA, Force exerted on all nuclei by density of A (x)",
    "FBYA, Force exerted on all nuclei by density of A (y)",
    "FBZA, Force exerted on all nuclei by density of A (z)",
    "RHO*L, Rho * Laplacian",
    "VOL1, Total integrated volume (0.001 au isosurface)",
    "VOL2, Total integrated volume (0.002 au isosurface)",
    "NVOL1, Electron density over integrated volume (0.001 au isosurface)",
    "NVOL2, Electron density over integrated volume (0.002 au isosurface)",
    "ERFX, Ehrenfest force (x)",
    "ERFY, Ehrenfest force (y)",
    "ERFZ, Ehrenfest force (z)",
    "VIRBAS, Basin Virial",
    "VIRSURF, Surface Virial",
    "OVERLAP, Atomic Overlap Matrix",
};

// The surface layout holds rho, G, K, L in this order, hence the names of 100..103.
const char* const kSurfaceNames[kSurfaceProperties] = {
    "RHO, electron density",
    "KEG, Lagrangian kinetic energy density",
    "KEK, Hamiltonian kinetic energy density",
    "L, Laplacian of Rho",
    "GRN, gradient of Rho * surface normal",
    "VRA, Hypervirial Gradient Function (n=-1), Atom A",
    "VRA, Hypervirial Gradient Function (n=0), Atom A",
    "VRA, Hypervirial Gradient Function (n=1), Atom A",
    "VRA, Hypervirial Gradient Function (n=2), Atom A",
    "VRB, Hypervirial Gradient Function (n=-1), Atom B",
    "VRB, Hypervirial Gradient Function (n=0), Atom B",
    "VRB, Hypervirial Gradient Function (n=1), Atom B",
    "VRB, Hypervirial Gradient Function (n=2), Atom B",
    "VR, Hypervirial Gradient Function (n=-1), Total",
    "VR, Hypervirial Gradient Function (n=0), Total",
    "VR, Hypervirial Gradient Function (n=1), Total",
    "VR, Hypervirial Gradient Function (n=2), Total",
    "VA, Virial of force exerted on surface of A",
    "VB, Virial of force exerted on surface of B",
    "V, Total virial of force exerted on surface",
    "SGNX, Total force exerted on electrons of atom A (x)",
    "SGNY, Total force exerted on electrons of atom A  (y)", // two blanks: the name as records have always
                                                             // shown it
    "SGNZ, Total force exerted on electrons of atom A (z)",
    "SGN, Gradient of force exerted on electrons of atom A",
    "AREA, Total integrated area",
};

} // namespace

const char* PropertyName(int index) {
    if (index >= 0 && index < kBasinProperties) return kBasinNames[index];
    if (index >= kFirstSurfaceProperty && index < kFirstSurfaceProperty + kSurfaceProperties)
        return kSurfaceNames[index - kFirstSurfaceProperty];
    return "";
}

int BasinPropertyCount(long long nMOs) {
    // 65535 orbitals is the most whose layout length fits an int (2147450927).
    if (nMOs < 1 || nMOs > 65535) return -1;
    return static_cast<int>(kBasinIntegrands + nMOs * (nMOs + 1) / 2);
}

int BasinPropertyCount(const CWavefunction& wavefunction) {
    const int n = wavefunction.m_nMOs;
    if (n < 1 || !wavefunction.IsLoaded()) return -1;
    const std::size_t orbitals = static_cast<std::size_t>(n);
    const COrbitalData& mos = *wavefunction.m_pOrbitalData;
    if (mos.m_pOccupations.size() != orbitals || mos.m_pEnergies.size() != orbitals ||
        mos.m_pSqrtOccupations.size() != orbitals)
        return -1;
    const CPrimitiveData& primitives = *wavefunction.m_pPrimitiveData;
    if (primitives.m_nPrimitives < 0 ||
        primitives.m_pCoefficients.size() != orbitals * static_cast<std::size_t>(primitives.m_nPrimitives))
        return -1;
    return BasinPropertyCount(static_cast<long long>(n));
}
