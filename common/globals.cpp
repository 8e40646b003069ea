#include "common/globals.h"

namespace wordrep {

Int N;
Matrix<bool> A;
Line S;
TextFile R("file `'", -1, FileMode::closed);
Int I, J, K, M, P;

} // namespace wordrep
