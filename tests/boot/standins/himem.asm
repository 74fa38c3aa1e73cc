; HIMEM.SYS stand-in for the boot test: a character device driver that
; installs itself and does nothing else, so that CONFIG.SYS's
; "device=himem.sys" line loads. (DOS stops at a file that is no driver.)

        bits    16
        org     0

header: dd      -1                      ; next driver: filled in by DOS
        dw      0x8000                  ; character device
        dw      strategy
        dw      interrupt
        db      "TVXHIMEM"

request:
        dd      0

strategy:
        mov     [cs:request], bx
        mov     [cs:request + 2], es
        retf

interrupt:
        push    bx
        push    es
        les     bx, [cs:request]
        cmp     byte [es:bx + 2], 0     ; command 0: initialise
        jne     .done
        mov     word [es:bx + 0x0E], resident_end
        mov     [es:bx + 0x10], cs      ; keep the driver up to here
.done:  mov     word [es:bx + 3], 0x0100 ; status: done
        pop     es
        pop     bx
        retf

resident_end:
