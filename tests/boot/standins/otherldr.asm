; A GRLDR of another system for the boot test: a loader that a GRUB4DOS
; grldr.mbr would start when it finds it first. It says so on the screen and
; ends the machine (a triple fault; qemu runs with -no-reboot), so that a
; test that sees this loader start fails at once rather than at its deadline.
; Loaded anywhere (grldr.mbr jumps to its first byte): it finds its text from
; where it runs.

        bits    16
        org     0

start:  cli
        call    .here
.here:  pop     bp
        sub     bp, .here               ; where this file's first byte is
        push    cs
        pop     ds
        sti
        lea     si, [bp + message]
.show:  lodsb
        test    al, al
        jz      .stop
        mov     ah, 0x0E
        mov     bx, 7
        int     0x10
        jmp     .show
.stop:  cli
        lidt    [cs:bp + empty_idt]     ; no interrupt handlers at all
        int3                                       ; so the machine resets
        hlt

empty_idt:
        dw      0
        dd      0
message:
        db      "ANOTHER SYSTEM'S GRLDR STARTED", 13, 10, 0
