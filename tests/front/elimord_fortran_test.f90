! Calls the solver-ordering interface from Fortran, through the external
! names that this compiler gives to ELIMORDF and ELIMORDFW, on graphs built
! here and on a shared graph file when the folder of the shared graphs is
! given as argument, and checks the assembly trees it returns.
!
! Checks on every result: status 0; every vertex is a principal vertex
! (positive front size) or merged into one (front size 0, tree link minus a
! principal vertex); the tree links of the principal vertices form a forest
! of principal vertices; a root's front holds its own supernode only; the
! rows below a supernode all lie in its father's front. On graphs small
! enough, an elimination order is rebuilt from the tree (sons before
! fathers, each supernode's vertices together) and the block structure of
! that order, computed by dense elimination of one supernode at a time,
! must give back every front size (every sum of weights for the weighted
! form) and every father.
program elimord_fortran_test
  implicit none
  integer :: failures
  character(len=1024) :: folder
  logical :: exists

  failures = 0
  call check_single_vertex(failures)
  call check_two_vertices(failures)
  call check_path(failures)
  call check_grid(12, 10, failures)
  call check_random(failures)
  if (command_argument_count() >= 1) then
    call get_command_argument(1, folder)
    inquire(file=trim(folder)//'/airfoil1.grf', exist=exists)
    if (exists) call check_file(trim(folder)//'/airfoil1.grf', failures)
    inquire(file=trim(folder)//'/power.grf', exist=exists)
    if (exists) call check_file(trim(folder)//'/power.grf', failures)
  end if
  if (failures > 0) then
    write (*, '(i0,a)') failures, ' check(s) failed'
    stop 1
  end if
  write (*, '(a)') 'all checks passed'

contains

  subroutine fail(failures, what)
    integer, intent(inout) :: failures
    character(len=*), intent(in) :: what
    failures = failures + 1
    write (*, '(a)') 'FAILED: '//what
  end subroutine fail

  ! Solver arrays (row starts, lengths, adjacency) of an undirected graph
  ! given by its edge list; an empty row gets start 0.
  subroutine solver_arrays(n, m, eu, ev, pe, len, iw, pfree)
    integer, intent(in) :: n, m, eu(:), ev(:)
    integer, intent(out) :: pe(:), len(:), iw(:), pfree
    integer :: i, e, fill(n)
    len(1:n) = 0
    do e = 1, m
      len(eu(e)) = len(eu(e)) + 1
      len(ev(e)) = len(ev(e)) + 1
    end do
    pfree = 1
    do i = 1, n
      pe(i) = pfree
      fill(i) = pfree
      pfree = pfree + len(i)
    end do
    do e = 1, m
      iw(fill(eu(e))) = ev(e)
      fill(eu(e)) = fill(eu(e)) + 1
      iw(fill(ev(e))) = eu(e)
      fill(ev(e)) = fill(ev(e)) + 1
    end do
    do i = 1, n
      if (len(i) == 0) pe(i) = 0
    end do
  end subroutine solver_arrays

  ! Runs ELIMORDF (weights absent) or ELIMORDFW and checks the result.
  subroutine run_and_check(label, n, m, eu, ev, weighted, weight, failures)
    character(len=*), intent(in) :: label
    integer, intent(in) :: n, m, eu(:), ev(:)
    logical, intent(in) :: weighted
    integer, intent(in) :: weight(:)
    integer, intent(inout) :: failures
    integer, allocatable :: pe(:), len(:), iw(:), nv(:), work1(:), work2(:), adjacency(:)
    integer :: pfree, iwlen, status, copy_pfree
    external elimordf, elimordfw

    allocate (pe(max(n, 1)), len(max(n, 1)), iw(max(2 * m, 1)), nv(max(n, 1)), work1(max(n, 1)), work2(max(n, 1)))
    call solver_arrays(n, m, eu, ev, pe, len, iw, pfree)
    adjacency = iw
    copy_pfree = pfree
    iwlen = size(iw)
    work1 = 11
    work2 = 22
    status = -1
    if (weighted) then
      nv(1:n) = weight(1:n)
      call elimordfw(n, iwlen, pe, pfree, len, iw, nv, work1, work2, status)
    else
      call elimordf(n, iwlen, pe, pfree, len, iw, nv, work1, work2, status)
    end if
    if (status /= 0) then
      call fail(failures, label//': status not 0')
      return
    end if
    if (any(work1(1:n) /= 11) .or. any(work2(1:n) /= 22)) call fail(failures, label//': work arrays changed')
    if (pfree /= copy_pfree .or. any(iw /= adjacency)) call fail(failures, label//': input arrays changed')
    call check_tree(label, n, m, eu, ev, weighted, weight, nv, pe, failures)
  end subroutine run_and_check

  subroutine check_tree(label, n, m, eu, ev, weighted, weight, nv, link, failures)
    character(len=*), intent(in) :: label
    integer, intent(in) :: n, m, eu(:), ev(:), nv(:), link(:), weight(:)
    logical, intent(in) :: weighted
    integer, intent(inout) :: failures
    integer :: v, p, steps, father
    integer :: members(n), first_member(n), next_member(n), width(n), vertex_weight(n)
    integer :: first_son(n), next_son(n), stack(n), position(n), vertex_at(n), block_of(n)
    integer :: block_count, top, next_position, expected, b, first, last, i, j, row, min_row
    integer :: block_first(n), block_principal(n), son, e
    logical, allocatable :: adjacent(:, :)
    logical :: below

    do v = 1, n
      vertex_weight(v) = 1
      if (weighted) vertex_weight(v) = weight(v)
    end do
    ! Principal and merged vertices.
    members = 0
    first_member = 0
    next_member = 0
    first_son = 0
    next_son = 0
    do v = 1, n
      if (nv(v) < 0) then
        call fail(failures, label//': negative front size')
        return
      end if
      if (nv(v) == 0) then
        p = -link(v)
        if (p < 1 .or. p > n) then
          call fail(failures, label//': merged vertex without principal vertex')
          return
        end if
        if (nv(p) <= 0) then
          call fail(failures, label//': merged into a vertex that is not principal')
          return
        end if
      else
        if (link(v) > 0 .or. link(v) < -n .or. link(v) == -v) then
          call fail(failures, label//': invalid tree link')
          return
        end if
        if (link(v) /= 0) then
          if (nv(-link(v)) <= 0) then
            call fail(failures, label//': father is not a principal vertex')
            return
          end if
        end if
      end if
    end do
    ! Supernode members, principal first.
    do v = n, 1, -1
      if (nv(v) == 0) then
        p = -link(v)
        next_member(v) = first_member(p)
        first_member(p) = v
        members(p) = members(p) + 1
      end if
    end do
    ! Forest: climbing from any principal vertex reaches a root within n steps.
    do v = 1, n
      if (nv(v) == 0) cycle
      p = v
      steps = 0
      do while (link(p) /= 0 .and. steps <= n)
        p = -link(p)
        steps = steps + 1
      end do
      if (steps > n) then
        call fail(failures, label//': cycle in the tree links')
        return
      end if
    end do
    ! Fronts of roots and nesting of the rows below each supernode.
    do v = 1, n
      if (nv(v) == 0) cycle
      width(v) = vertex_weight(v)
      p = first_member(v)
      do while (p /= 0)
        width(v) = width(v) + vertex_weight(p)
        p = next_member(p)
      end do
      if (nv(v) < width(v)) call fail(failures, label//': front smaller than its supernode')
      if (link(v) == 0) then
        if (nv(v) /= width(v)) call fail(failures, label//': root front larger than its supernode')
      else
        if (nv(v) - width(v) > nv(-link(v))) call fail(failures, label//': rows below a supernode outside its father')
      end if
    end do
    if (n > 300) return

    ! Rebuild an order: sons before fathers, depth first from every root.
    do v = n, 1, -1
      if (nv(v) > 0 .and. link(v) /= 0) then
        father = -link(v)
        next_son(v) = first_son(father)
        first_son(father) = v
      end if
    end do
    next_position = 1
    block_count = 0
    do v = 1, n
      if (nv(v) == 0 .or. link(v) /= 0) cycle
      top = 1
      stack(1) = v
      do while (top > 0)
        p = stack(top)
        son = first_son(p)
        if (son /= 0) then
          first_son(p) = next_son(son)
          top = top + 1
          stack(top) = son
        else
          top = top - 1
          block_count = block_count + 1
          block_first(block_count) = next_position
          block_principal(block_count) = p
          position(p) = next_position
          vertex_at(next_position) = p
          block_of(next_position) = block_count
          next_position = next_position + 1
          i = first_member(p)
          do while (i /= 0)
            position(i) = next_position
            vertex_at(next_position) = i
            block_of(next_position) = block_count
            next_position = next_position + 1
            i = next_member(i)
          end do
        end if
      end do
    end do
    if (next_position /= n + 1) then
      call fail(failures, label//': the supernodes are not all in the forest')
      return
    end if

    ! Dense elimination of one supernode at a time, in that order.
    allocate (adjacent(n, n))
    adjacent = .false.
    do e = 1, m
      adjacent(position(eu(e)), position(ev(e))) = .true.
      adjacent(position(ev(e)), position(eu(e))) = .true.
    end do
    do b = 1, block_count
      first = block_first(b)
      if (b < block_count) then
        last = block_first(b + 1) - 1
      else
        last = n
      end if
      expected = 0
      do row = first, last
        expected = expected + vertex_weight(vertex_at(row))
      end do
      min_row = 0
      do i = last + 1, n
        below = any(adjacent(i, first:last))
        if (below) then
          expected = expected + vertex_weight(vertex_at(i))
          if (min_row == 0) min_row = i
          do j = last + 1, n
            if (j /= i .and. any(adjacent(j, first:last))) adjacent(i, j) = .true.
          end do
        end if
      end do
      p = block_principal(b)
      if (nv(p) /= expected) call fail(failures, label//': front size differs from the block structure')
      if (min_row == 0) then
        if (link(p) /= 0) call fail(failures, label//': root of the block structure has a father')
      else
        if (link(p) /= -block_principal(block_of(min_row))) call fail(failures, label//': wrong father')
      end if
    end do
    deallocate (adjacent)
  end subroutine check_tree

  subroutine check_single_vertex(failures)
    integer, intent(inout) :: failures
    integer :: n, iwlen, pe(1), pfree, len(1), iw(1), nv(1), work1(1), work2(1), status
    external elimordf
    n = 1
    iwlen = 1
    pe(1) = 0
    pfree = 1
    len(1) = 0
    iw(1) = 0
    status = -1
    call elimordf(n, iwlen, pe, pfree, len, iw, nv, work1, work2, status)
    if (status /= 0 .or. nv(1) /= 1 .or. pe(1) /= 0) call fail(failures, 'single vertex: front 1 and link 0 expected')
  end subroutine check_single_vertex

  subroutine check_two_vertices(failures)
    integer, intent(inout) :: failures
    integer :: n, iwlen, pe(2), pfree, len(2), iw(2), nv(2), work1(2), work2(2), status, p, other
    external elimordf
    n = 2
    iwlen = 2
    pe = [1, 2]
    len = [1, 1]
    iw = [2, 1]
    pfree = 3
    status = -1
    call elimordf(n, iwlen, pe, pfree, len, iw, nv, work1, work2, status)
    p = 1
    if (nv(1) == 0) p = 2
    other = 3 - p
    if (status /= 0 .or. nv(p) /= 2 .or. pe(p) /= 0 .or. nv(other) /= 0 .or. pe(other) /= -p) &
      call fail(failures, 'two vertices: one supernode of both expected')
  end subroutine check_two_vertices

  subroutine check_path(failures)
    integer, intent(inout) :: failures
    integer, parameter :: n = 40
    integer :: eu(n - 1), ev(n - 1), weight(n), i
    do i = 1, n - 1
      eu(i) = i
      ev(i) = i + 1
    end do
    do i = 1, n
      weight(i) = 1 + mod(i, 3)
    end do
    call run_and_check('path', n, n - 1, eu, ev, .false., weight, failures)
    call run_and_check('weighted path', n, n - 1, eu, ev, .true., weight, failures)
  end subroutine check_path

  subroutine check_grid(width, height, failures)
    integer, intent(in) :: width, height
    integer, intent(inout) :: failures
    integer :: eu(2 * width * height), ev(2 * width * height), weight(width * height), m, x, y, v
    m = 0
    do y = 0, height - 1
      do x = 0, width - 1
        v = 1 + y * width + x
        weight(v) = 1 + mod(v * 7, 5)
        if (x + 1 < width) then
          m = m + 1
          eu(m) = v
          ev(m) = v + 1
        end if
        if (y + 1 < height) then
          m = m + 1
          eu(m) = v
          ev(m) = v + width
        end if
      end do
    end do
    call run_and_check('grid', width * height, m, eu, ev, .false., weight, failures)
    call run_and_check('weighted grid', width * height, m, eu, ev, .true., weight, failures)
  end subroutine check_grid

  ! Sparse pseudo-random graphs of a few sizes, with isolated vertices.
  subroutine check_random(failures)
    integer, intent(inout) :: failures
    integer, parameter :: limit = 2000
    integer :: eu(limit), ev(limit), weight(300), m, n, u, v, trial, state
    state = 12345
    do trial = 1, 6
      n = 20 + 45 * trial
      m = 0
      do u = 1, n
        do v = u + 1, n
          state = mod(state * 1103 + 12345, 65536)
          if (state < 65536 * 3 / n .and. m < limit) then
            m = m + 1
            eu(m) = u
            ev(m) = v
          end if
        end do
        weight(u) = 1 + mod(state, 4)
      end do
      call run_and_check('random graph', n, m, eu, ev, .false., weight, failures)
      call run_and_check('weighted random graph', n, m, eu, ev, .true., weight, failures)
    end do
  end subroutine check_random

  ! A graph file without loads or labels.
  subroutine check_file(path, failures)
    character(len=*), intent(in) :: path
    integer, intent(inout) :: failures
    integer :: unit, version, n, arcs, base, properties, v, d, k, m
    integer, allocatable :: neighbours(:), eu(:), ev(:), weight(:)
    open (newunit=unit, file=path, status='old', action='read')
    read (unit, *) version
    read (unit, *) n, arcs
    read (unit, *) base, properties
    if (version /= 0 .or. properties /= 0) then
      close (unit)
      return
    end if
    allocate (neighbours(n), eu(arcs / 2), ev(arcs / 2), weight(n))
    weight = 1
    m = 0
    do v = 1, n
      read (unit, *) d, (neighbours(k), k = 1, d)
      do k = 1, d
        if (neighbours(k) - base + 1 > v) then
          m = m + 1
          eu(m) = v
          ev(m) = neighbours(k) - base + 1
        end if
      end do
    end do
    close (unit)
    call run_and_check(path, n, m, eu, ev, .false., weight, failures)
  end subroutine check_file

end program elimord_fortran_test
