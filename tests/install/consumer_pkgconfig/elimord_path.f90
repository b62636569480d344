! A Fortran program built against an installed plyxen through pkg-config:
! orders a path of 50 vertices with ELIMORDF and checks the assembly tree.
program elimord_path
  implicit none
  integer, parameter :: n = 50
  integer :: pe(n), len(n), iw(2 * n), nv(n), elen(n), last(n)
  integer :: iwlen, pfree, ncmpa, i, p, roots, covered

  pfree = 1
  do i = 1, n
    pe(i) = pfree
    len(i) = 0
    if (i > 1) then
      iw(pfree) = i - 1
      pfree = pfree + 1
      len(i) = len(i) + 1
    end if
    if (i < n) then
      iw(pfree) = i + 1
      pfree = pfree + 1
      len(i) = len(i) + 1
    end if
  end do
  iwlen = pfree - 1
  call elimordf(n, iwlen, pe, pfree, len, iw, nv, elen, last, ncmpa)
  if (ncmpa /= 0) stop 1

  ! Every vertex is a principal vertex or names one; a path is connected,
  ! so exactly one supernode is a root.
  roots = 0
  covered = 0
  do i = 1, n
    if (nv(i) > 0) then
      covered = covered + 1
      if (pe(i) == 0) roots = roots + 1
      if (pe(i) > 0) stop 2
    else
      p = -pe(i)
      if (p < 1 .or. p > n) stop 3
      if (nv(p) <= 0) stop 4
    end if
  end do
  if (roots /= 1) stop 5
  write (*, '(a,i0,a)') 'ordered a path in ', covered, ' supernodes'
end program elimord_path
