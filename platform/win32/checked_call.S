// uint64_t love_win32_checked_call(const void* function, const uint64_t* args, uint64_t count,
//                                  int64_t* stackMoved)
//
// Calls function with count 64-bit integer arguments under the x64 calling convention (the
// first four in rcx, rdx, r8, r9, every one also in its stack slot) and stores how far the
// stack pointer stands from where it stood at the call once the function has returned.
// Under this convention the caller owns the argument area and the callee never pops it, so
// a callee that keeps the convention always leaves 0; the check still catches one that breaks it.
    .text
    .globl love_win32_checked_call
    .def love_win32_checked_call; .scl 2; .type 32; .endef
    .seh_proc love_win32_checked_call
love_win32_checked_call:
    push %rbp
    .seh_pushreg %rbp
    push %rbx
    .seh_pushreg %rbx
    push %rsi
    .seh_pushreg %rsi
    push %rdi
    .seh_pushreg %rdi
    push %r12
    .seh_pushreg %r12
    mov %rsp, %rbp
    .seh_setframe %rbp, 0
    .seh_endprologue

    mov %rcx, %r10          // function
    mov %rdx, %rsi          // args
    mov %r8, %rbx           // count
    mov %r9, %r12           // stackMoved

    // Argument area: at least sixteen slots, 16-byte aligned (after the return address and
    // five pushes rsp is already 16-byte aligned). Slots past the given arguments are zero, so
    // a function that expects more arguments than it is given reads zeros, not stale stack.
    mov %rbx, %rax
    cmp $16, %rax
    jae 1f
    mov $16, %rax
1:  mov %rax, %rdx           // slot count
    shl $3, %rax
    add $15, %rax
    and $-16, %rax
    sub %rax, %rsp

    xor %ecx, %ecx
4:  cmp %rdx, %rcx
    jae 5f
    movq $0, (%rsp,%rcx,8)
    inc %rcx
    jmp 4b
5:  xor %ecx, %ecx
2:  cmp %rbx, %rcx
    jae 3f
    mov (%rsi,%rcx,8), %rax
    mov %rax, (%rsp,%rcx,8)
    inc %rcx
    jmp 2b
3:  mov 0(%rsp), %rcx
    mov 8(%rsp), %rdx
    mov 16(%rsp), %r8
    mov 24(%rsp), %r9

    mov %rsp, %rdi          // callee-saved: survives the call
    call *%r10
    mov %rsp, %rdx
    sub %rdi, %rdx
    mov %rdx, (%r12)

    mov %rbp, %rsp
    pop %r12
    pop %rdi
    pop %rsi
    pop %rbx
    pop %rbp
    ret
    .seh_endproc
