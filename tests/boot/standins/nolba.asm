; NOLBA.COM for the volscan test: stays resident and answers the BIOS's
; "are the extended disk calls there?" (INT 13h AH=41h) with "invalid
; function", as a BIOS without them does, so that a program run after it
; reads the disks by cylinder, head and sector. Every other call goes to the
; BIOS: DOS, which asked at its start, keeps reading its own way.

        bits    16
        org     0x100

        jmp     install

bios:   dd      0

disk_call:
        cmp     ah, 0x41
        jne     .bios
        mov     ah, 0x01
        sti
        stc
        retf    2                       ; the caller's flags, with CF
.bios:  jmp     far [cs:bios]

install:
        mov     ax, 0x3513
        int     0x21
        mov     [bios], bx
        mov     [bios + 2], es
        mov     dx, disk_call
        mov     ax, 0x2513
        int     0x21
        mov     dx, (install - $$ + 0x100 + 15) / 16
        mov     ax, 0x3100
        int     0x21
